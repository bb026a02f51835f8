#ifndef QUILLMAP_SOLINETEXTURECOORDINATEGENERATOR_H
#define QUILLMAP_SOLINETEXTURECOORDINATEGENERATOR_H

// Gives every line vertex a texture coordinate along its stroke: the
// normalized arc length of the vertex along its strip, measured on the
// screen, so that the stroke texture spans each stroke once.

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoSFEnum.h>

#include "lines/SoLineModifier.h"

class SoLineTextureCoordinateGenerator : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineTextureCoordinateGenerator);

public:
    // Registered under the enum type name ThickenMethod, the name the field's
    // enum has always had in files.
    enum TextureMethod {
        LINE_LENGTH = 0,
        TEXTURE_LENGTH = 1,
        PER_SEGMENT = 2
    };

    SoSFEnum textureMethod;

    static void initClass(void);
    SoLineTextureCoordinateGenerator(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLineTextureCoordinateGenerator() override;

private:
    // What the texture coordinate element points at.
    SoMFFloat coordinates;
};

#endif // QUILLMAP_SOLINETEXTURECOORDINATEGENERATOR_H
