#ifndef QUILLMAP_IMAGE_SOIMAGESELECTOR_H
#define QUILLMAP_IMAGE_SOIMAGESELECTOR_H

// Combines two images pixel by pixel: where the input is brighter than a
// threshold the output shows image A, elsewhere image B.

#include <Inventor/fields/SoSFInt32.h>

#include "image/SoImageModifier.h"

class SoImageSelector : public SoImageModifier {
    typedef SoImageModifier inherited;

    SO_NODE_HEADER(SoImageSelector);

public:
    SoSFImage A;
    SoSFImage B;
    SoSFInt32 threshold;

    static void initClass(void);
    SoImageSelector(void);

protected:
    ~SoImageSelector() override;
    void modify(void) override;
};

#endif // QUILLMAP_IMAGE_SOIMAGESELECTOR_H
