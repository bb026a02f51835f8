#ifndef QUILLMAP_SHADING_SOEDGEEMPHASIZE_H
#define QUILLMAP_SHADING_SOEDGEEMPHASIZE_H

// A separator that draws its children, then draws them again as thick lines
// of one colour, back faces only, pulled towards the viewer: what shows of
// those lines is a dark contour around the silhouette of the shapes below.

#include <Inventor/fields/SoSFColor.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSubNode.h>
#include <Inventor/elements/SoLazyElement.h>

class SoEdgeEmphasize : public SoSeparator {
    typedef SoSeparator inherited;

    SO_NODE_HEADER(SoEdgeEmphasize);

public:
    SoSFColor outlineColor;
    SoSFFloat outlineWidth;
    SoSFFloat polygonOffsetFactor;
    SoSFFloat polygonOffsetUnits;

    static void initClass(void);
    SoEdgeEmphasize(void);

    void GLRenderBelowPath(SoGLRenderAction* action) override;

protected:
    ~SoEdgeEmphasize() override;

private:
    void outlinePass(SoGLRenderAction* action);
    SoColorPacker colorPacker;
};

#endif // QUILLMAP_SHADING_SOEDGEEMPHASIZE_H
