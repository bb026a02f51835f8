#ifndef QUILLMAP_TESTS_GLFIXTURE_H
#define QUILLMAP_TESTS_GLFIXTURE_H

// Offscreen OpenGL fixture for tests that render scene graphs.
//
// Each test gets its own GLX pbuffer and direct rendering context on the X
// display named by $DISPLAY (run the tests under xvfb-run). render() draws a
// scene graph with an SoGLRenderAction; the read helpers then fetch colour
// and depth from the buffer that was just drawn into. Pixel coordinates are
// OpenGL window coordinates: (0, 0) is the bottom-left pixel and rows in
// readRGBA()/readDepth() run bottom-up, as glReadPixels delivers them.
//
// When no display can be opened or the server offers no usable pbuffer
// configuration, SetUp() skips the test; with QUILLMAP_REQUIRE_GL set to a
// non-empty value other than "0" it fails instead, so that a machine that is
// expected to render cannot silently skip every GL test. A derived fixture
// that overrides SetUp() calls GLFixture::SetUp() first and returns at once
// if IsSkipped() or HasFatalFailure() is then true.
//
// The X and GLX specifics live in GLFixture.cpp so that tests including this
// header see only Coin and gtest.

#include <Inventor/SbColor.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

class OffscreenContext;
class SoGLRenderAction;
class SoNode;

// One pixel as 8-bit red, green, blue and alpha.
struct PixelRGBA {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 0;

    bool operator==(const PixelRGBA& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const PixelRGBA& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& os, const PixelRGBA& p);

class GLFixture : public ::testing::Test {
public:
    static constexpr int kDefaultWidth = 128;
    static constexpr int kDefaultHeight = 128;

protected:
    GLFixture();
    ~GLFixture() override;

    void SetUp() override;
    void TearDown() override;

    // Sets the size of the offscreen buffer. Called from a derived fixture's
    // constructor it only records the size used by SetUp(). Called once the
    // context exists it replaces the pbuffer with one of the new size (the
    // context and its Coin cache context are kept) and returns whether that
    // worked; the buffer contents are undefined until the next render().
    bool setSize(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Clears colour (to background, alpha 0) and depth (to 1), applies the
    // fixture's SoGLRenderAction to root and waits for GL to finish. A GL
    // error raised while rendering is reported as a test failure.
    void render(SoNode* root, const SbColor& background = SbColor(0.0f, 0.0f, 0.0f));

    // The action render() uses. Tests may change its settings (transparency
    // type, passes, ...); its viewport region always matches the buffer.
    SoGLRenderAction* renderAction() const { return action_; }

    // The Coin cache context id belonging to this fixture's GL context.
    uint32_t cacheContext() const { return cacheContext_; }
    // Makes the fixture's context current again, for GL queries after
    // another context was used; false if there is none.
    bool makeCurrent() const;

    // Colour buffer, width * height * 4 bytes, rows bottom-up.
    std::vector<uint8_t> readRGBA() const;
    // One pixel. Coordinates outside the buffer are reported as a test
    // failure and give black (0, 0, 0, 0).
    PixelRGBA pixelRGBA(int x, int y) const;
    // The same pixel as a colour with components in [0, 1].
    SbColor pixel(int x, int y) const;

    // Depth buffer as window depth in [0, 1], width * height values, rows
    // bottom-up.
    std::vector<float> readDepth() const;
    // One depth value; outside the buffer it is a test failure and gives -1.
    float depth(int x, int y) const;

    // Number of pixels for which predicate holds.
    int countPixels(const std::function<bool(const PixelRGBA&)>& predicate) const;
    // Number of pixels whose red, green and blue each lie within tolerance
    // (in [0, 1] units) of colour; alpha is ignored.
    int countPixels(const SbColor& colour, float tolerance = 1.5f / 255.0f) const;

    // Writes the colour buffer as a binary PPM, top row first, for looking at
    // a failing render. Returns false if the file cannot be written.
    bool writePPM(const char* path) const;

private:
    void release();
    bool prepareRead(const char* what) const;
    bool inBounds(int x, int y, const char* what) const;

    std::unique_ptr<OffscreenContext> context_;
    SoGLRenderAction* action_ = nullptr;
    uint32_t cacheContext_ = 0;
    int width_ = kDefaultWidth;
    int height_ = kDefaultHeight;
};

// Parses Open Inventor ASCII text (an "#Inventor V2.1 ascii" header is
// optional) and returns the scene as a separator holding one reference; the
// caller unref()s it. On a parse error it records a test failure and returns
// nullptr.
SoSeparator* readScene(const char* inventorText);

#endif // QUILLMAP_TESTS_GLFIXTURE_H
