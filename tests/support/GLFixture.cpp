// Offscreen OpenGL fixture: GLX pbuffer, direct context and buffer readback.

#include "support/GLFixture.h"
#include "support/OffscreenContext.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/misc/SoContextHandler.h>
#include <Inventor/nodes/SoNode.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool glRequired()
{
    const char* value = std::getenv("QUILLMAP_REQUIRE_GL");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

const char* glErrorName(GLenum error)
{
    switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    default: return "unknown GL error";
    }
}

} // namespace

std::ostream& operator<<(std::ostream& os, const PixelRGBA& p)
{
    return os << "rgba(" << int(p.r) << ", " << int(p.g) << ", " << int(p.b) << ", " << int(p.a) << ")";
}

GLFixture::GLFixture()
    : context_(new OffscreenContext)
{
}

GLFixture::~GLFixture()
{
    // TearDown() normally has released everything already; this covers a
    // derived TearDown() that does not call ours.
    release();
}

void GLFixture::SetUp()
{
    const bool required = glRequired();
    // GTEST_SKIP() and FAIL() both return from SetUp(), which is all we need.
#define QUILLMAP_GL_UNAVAILABLE(message)                                                           \
    do {                                                                                           \
        if (required)                                                                              \
            FAIL() << message << " (QUILLMAP_REQUIRE_GL is set)";                                  \
        GTEST_SKIP() << message;                                                                   \
    } while (0)

    const std::string unavailable = context_->open(width_, height_);
    if (!unavailable.empty())
        QUILLMAP_GL_UNAVAILABLE(unavailable);
#undef QUILLMAP_GL_UNAVAILABLE

    cacheContext_ = SoGLCacheContextElement::getUniqueCacheContext();
    action_ = new SoGLRenderAction(SbViewportRegion(short(width_), short(height_)));
    action_->setCacheContext(cacheContext_);
}

void GLFixture::TearDown()
{
    release();
}

void GLFixture::release()
{
    delete action_;
    action_ = nullptr;
    if (cacheContext_ != 0 && context_->isOpen() && context_->makeCurrent()) {
        // Lets Coin release display lists, textures and buffer objects it
        // made for this context while the context is still current.
        SoContextHandler::destructingContext(cacheContext_);
    }
    cacheContext_ = 0;
    context_->close();
}

bool GLFixture::makeCurrent() const
{
    return context_->makeCurrent();
}

bool GLFixture::prepareRead(const char* what) const
{
    if (!makeCurrent()) {
        ADD_FAILURE() << what << ": the fixture has no current GL context";
        return false;
    }
    // A node under test may have changed the read buffer or the pack state.
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    return true;
}

bool GLFixture::setSize(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        ADD_FAILURE() << "setSize(" << width << ", " << height << "): size out of range";
        return false;
    }
    if (!context_->isOpen() && action_ == nullptr) {
        // Not set up yet: SetUp() creates the buffer at this size.
        width_ = width;
        height_ = height;
        return true;
    }
    if (!context_->resize(width, height)) {
        ADD_FAILURE() << "setSize(" << width << ", " << height << "): cannot create the pbuffer";
        // Fall back to the previous size so the fixture stays usable.
        if (!context_->resize(width_, height_))
            ADD_FAILURE() << "setSize: cannot recreate the previous " << width_ << " x " << height_ << " pbuffer";
        return false;
    }
    width_ = width;
    height_ = height;
    if (action_ != nullptr)
        action_->setViewportRegion(SbViewportRegion(short(width_), short(height_)));
    return true;
}

void GLFixture::render(SoNode* root, const SbColor& background)
{
    if (!makeCurrent() || action_ == nullptr) {
        ADD_FAILURE() << "render: the fixture has no current GL context";
        return;
    }
    if (root == nullptr) {
        ADD_FAILURE() << "render: root is null";
        return;
    }
    while (glGetError() != GL_NO_ERROR) {
        // Drop errors left over from earlier GL calls outside render().
    }

    // Coin tracks GL state per traversal and may leave masks or the scissor
    // test in any state; clear with a known setup. The depth test is ours to
    // enable: SoGLRenderAction leaves it as it finds it.
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, width_, height_);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glClearColor(background[0], background[1], background[2], 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);

    action_->setViewportRegion(SbViewportRegion(short(width_), short(height_)));
    action_->apply(root);
    glFinish();

    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError())
        ADD_FAILURE() << "render: GL error " << glErrorName(error) << " (0x" << std::hex << error << std::dec
                      << ") while rendering the scene";
}

bool GLFixture::inBounds(int x, int y, const char* what) const
{
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        return true;
    ADD_FAILURE() << what << "(" << x << ", " << y << "): outside the " << width_ << " x " << height_ << " buffer";
    return false;
}

std::vector<uint8_t> GLFixture::readRGBA() const
{
    std::vector<uint8_t> data(size_t(width_) * size_t(height_) * 4u, 0);
    if (!prepareRead("readRGBA"))
        return data;
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
    return data;
}

PixelRGBA GLFixture::pixelRGBA(int x, int y) const
{
    PixelRGBA result;
    if (!inBounds(x, y, "pixel"))
        return result;
    if (!prepareRead("pixel"))
        return result;
    uint8_t rgba[4] = {0, 0, 0, 0};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    result.r = rgba[0];
    result.g = rgba[1];
    result.b = rgba[2];
    result.a = rgba[3];
    return result;
}

SbColor GLFixture::pixel(int x, int y) const
{
    const PixelRGBA p = pixelRGBA(x, y);
    return SbColor(p.r / 255.0f, p.g / 255.0f, p.b / 255.0f);
}

std::vector<float> GLFixture::readDepth() const
{
    std::vector<float> data(size_t(width_) * size_t(height_), 0.0f);
    if (!prepareRead("readDepth"))
        return data;
    glReadPixels(0, 0, width_, height_, GL_DEPTH_COMPONENT, GL_FLOAT, data.data());
    return data;
}

float GLFixture::depth(int x, int y) const
{
    if (!inBounds(x, y, "depth"))
        return -1.0f;
    if (!prepareRead("depth"))
        return -1.0f;
    float value = -1.0f;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &value);
    return value;
}

int GLFixture::countPixels(const std::function<bool(const PixelRGBA&)>& predicate) const
{
    const std::vector<uint8_t> data = readRGBA();
    int count = 0;
    for (size_t i = 0; i + 3 < data.size(); i += 4) {
        PixelRGBA p;
        p.r = data[i];
        p.g = data[i + 1];
        p.b = data[i + 2];
        p.a = data[i + 3];
        if (predicate(p))
            ++count;
    }
    return count;
}

int GLFixture::countPixels(const SbColor& colour, float tolerance) const
{
    return countPixels([&colour, tolerance](const PixelRGBA& p) {
        return std::fabs(p.r / 255.0f - colour[0]) <= tolerance && std::fabs(p.g / 255.0f - colour[1]) <= tolerance
            && std::fabs(p.b / 255.0f - colour[2]) <= tolerance;
    });
}

bool GLFixture::writePPM(const char* path) const
{
    const std::vector<uint8_t> data = readRGBA();
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", width_, height_) > 0;
    std::vector<uint8_t> row(size_t(width_) * 3u);
    for (int y = height_ - 1; ok && y >= 0; --y) {
        const uint8_t* src = data.data() + size_t(y) * size_t(width_) * 4u;
        for (int x = 0; x < width_; ++x) {
            row[size_t(x) * 3u] = src[x * 4];
            row[size_t(x) * 3u + 1u] = src[x * 4 + 1];
            row[size_t(x) * 3u + 2u] = src[x * 4 + 2];
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    if (std::fclose(file) != 0)
        ok = false;
    return ok;
}

SoSeparator* readScene(const char* inventorText)
{
    if (inventorText == nullptr) {
        ADD_FAILURE() << "readScene: no text given";
        return nullptr;
    }
    SoInput input;
    input.setBuffer(inventorText, std::strlen(inventorText));
    SoSeparator* root = SoDB::readAll(&input);
    if (root == nullptr) {
        ADD_FAILURE() << "readScene: cannot parse the Inventor text:\n" << inventorText;
        return nullptr;
    }
    root->ref();
    return root;
}
