#ifndef QUILLMAP_RENDER_RENDEROPTIONS_H
#define QUILLMAP_RENDER_RENDEROPTIONS_H

// The command line of quillmap-render: what to draw, how, and where to.
// Every option is one row of a table (name, argument, help text, what it
// sets), so that a new option is one more row.

#include <string>
#include <vector>

struct RenderOptions {
    std::vector<std::string> models;
    std::string outDir = ".";
    // Output formats; none named means PNG.
    bool png = false;
    bool pdf = false;
    bool svg = false;
    bool txt = false;
    // Image size in pixels.
    int width = 800;
    int height = 600;
    // Camera: fitted to the model after turning by the azimuth about the
    // vertical and looking down by the elevation.
    double azimuth = 0.0;
    double elevation = 0.0;
    bool perspective = false;
    // Strokes: texture index in the Line Style list (-1: plain), width in
    // pixels.
    int texture = 0;
    float strokeWidth = 2.0f;
    // Strokes tapered to round ends; strokes narrowed where lines run close.
    bool taper = false;
    bool formWidth = false;
    // Lines over the shaded model instead of lines alone.
    bool shaded = false;
    bool sharpEdges = true;
    float sharpAngle = 115.0f;
    // One step of this scheme of the Subdivision window (0 Loop, 1
    // modified butterfly, 2 Catmull-Clark, 3 Doo-Sabin), or none.
    int subdivision = -1;
    // Where the stroke textures are; empty: looked for.
    std::string textureDir;
    bool help = false;
};

// Reads argv[1...]. Returns an empty string, or what is wrong with the
// command line.
std::string parseRenderOptions(int argc, const char* const* argv, RenderOptions& options);

// The --help text: usage and every option.
std::string renderUsage(void);

#endif // QUILLMAP_RENDER_RENDEROPTIONS_H
