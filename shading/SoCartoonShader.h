#ifndef QUILLMAP_SHADING_SOCARTOONSHADER_H
#define QUILLMAP_SHADING_SOCARTOONSHADER_H

// Turns the illumination in force into texture coordinates (illumination, 0),
// so that a one-dimensional ramp texture above the shape maps light to a few
// flat tones; the style sets how softly the tones meet.

#include <Inventor/fields/SoMFVec2f.h>
#include <Inventor/fields/SoSFEnum.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

class SoCartoonShader : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoCartoonShader);

public:
    enum CartoonStyle {
        CRISP = 0,
        SMOOTH = 1,
        ALMOST_REAL = 2
    };

    SoSFEnum cartoonStyle;

    static void initClass(void);
    SoCartoonShader(void);

    void GLRender(SoGLRenderAction* action) override;

    // The texture quality of a style: 0.1, 0.6 or 1.0; -1 for a value that
    // is no style.
    static float textureQuality(int style);

    // The coordinates published by the last render.
    const SoMFVec2f& getTextureCoordinates(void) const { return textureCoordinates; }

protected:
    ~SoCartoonShader() override;

private:
    SoMFVec2f textureCoordinates;
    int reportedStyle = CRISP;
};

#endif // QUILLMAP_SHADING_SOCARTOONSHADER_H
