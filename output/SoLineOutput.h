#ifndef QUILLMAP_SOLINEOUTPUT_H
#define QUILLMAP_SOLINEOUTPUT_H

// Writes the lines in force, as the screen shows them, to a one-page PDF or
// SVG drawing or to a text file of page coordinates, once per request; it
// can hide a code in the strokes on the way.

#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFEnum.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/fields/SoSFString.h>

#include "lines/SoLineModifier.h"

class SoLineOutput : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineOutput);

public:
    enum SteganoModes {
        NO_STEGANO = 0,
        STEGANO_WIDTH = 1,
        STEGANO_RATIO = 2,
        STEGANO_ANGLE = 3,
        STEGANO_LENGTH = 4,
        STEGANO_COLOR = 5
    };

    SoSFString filename;
    SoSFBool compression;
    SoSFInt32 outputType;
    SoSFString codeString;
    SoSFInt32 codeLength;
    SoSFFloat lineWidth;
    SoSFFloat lineWidthOffset;
    SoSFEnum steganoMode;

    static void initClass(void);
    SoLineOutput(void);

    // The next traversal writes a PDF drawing, a text file or an SVG
    // drawing.
    void requestPDFOutput(void);
    void requestASCIIOutput(void);
    void requestSVGOutput(void);

    // Polylines (index runs ended by -1) among the lines in force at the
    // last traversal, whether or not it wrote a file.
    int getPolylineCount(void) const { return polylineCount; }

    void doAction(SoAction* action) override;

protected:
    ~SoLineOutput() override;

private:
    // Whether the last request has been served.
    bool outputDone = true;
    int polylineCount = 0;
    // Longer side of the page, and of the drawing on it, in inches.
    float pageSize = 8.2f;
    float drawingSize = 8.2f - 2.0f * 0.0546667f;
    // Added to every page coordinate, in inches.
    float pageMargin = 0.0546667f;
};

#endif // QUILLMAP_SOLINEOUTPUT_H
