// The options of quillmap-render, one table row each.

#include "RenderOptions.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "PelmoraScene.h"

namespace {

// What an option does with its argument (null for a switch); returns an
// empty string or what is wrong with the argument.
typedef std::function<std::string(RenderOptions&, const char*)> Apply;

struct Option {
    const char* name;
    const char* argument; // null for a switch
    const char* help;
    Apply apply;
};

bool readNumber(const char* text, double& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(value);
}

Apply number(double low, double high, std::function<void(RenderOptions&, double)> set)
{
    return [=](RenderOptions& o, const char* text) -> std::string {
        double value = 0.0;
        if (!readNumber(text, value) || value < low || value > high)
            return "wants a number from " + std::to_string(int(low)) + " to " + std::to_string(int(high)) +
                   ", not '" + text + "'";
        set(o, value);
        return std::string();
    };
}

Apply flag(bool RenderOptions::*member, bool value)
{
    return [=](RenderOptions& o, const char*) -> std::string {
        o.*member = value;
        return std::string();
    };
}

std::string textureNames(void)
{
    std::string names;
    for (int i = 0; i < PelmoraScene::textureCount(); ++i)
        names += std::string(i ? ", " : "") + PelmoraScene::textureName(i);
    return names;
}

const std::vector<Option>& optionTable(void)
{
    static const char* const schemes[] = { "loop", "butterfly", "catmull-clark", "doo-sabin" };
    static const std::vector<Option> table = {
        { "--out", "DIR", "directory for the files written (default: the working directory; made if missing)",
          [](RenderOptions& o, const char* dir) -> std::string {
              o.outDir = dir;
              return std::string();
          } },
        { "--png", nullptr, "write MODEL.png, the frame as drawn (the default when no format is named)",
          flag(&RenderOptions::png, true) },
        { "--pdf", nullptr, "write MODEL.pdf, the strokes as a one-page PDF drawing", flag(&RenderOptions::pdf, true) },
        { "--svg", nullptr, "write MODEL.svg, the strokes as an SVG drawing", flag(&RenderOptions::svg, true) },
        { "--txt", nullptr, "write MODEL.txt, the strokes as page coordinates in inches, one 'x y' line per point",
          flag(&RenderOptions::txt, true) },
        { "--size", "WxH", "image size in pixels (default 800x600)",
          [](RenderOptions& o, const char* text) -> std::string {
              int w = 0, h = 0;
              char end = 0;
              if (std::sscanf(text, "%dx%d%c", &w, &h, &end) != 2 || w < 16 || h < 16 || w > 8192 || h > 8192)
                  return std::string("wants WIDTHxHEIGHT, each from 16 to 8192, not '") + text + "'";
              o.width = w;
              o.height = h;
              return std::string();
          } },
        { "--azimuth", "DEG", "turn the view about the vertical by DEG degrees (default 0: the model's front)",
          number(-360, 360, [](RenderOptions& o, double v) { o.azimuth = v; }) },
        { "--elevation", "DEG", "look down on the model by DEG degrees (default 0)",
          number(-90, 90, [](RenderOptions& o, double v) { o.elevation = v; }) },
        { "--ortho", nullptr, "orthographic camera, as the viewer has (the default)",
          flag(&RenderOptions::perspective, false) },
        { "--perspective", nullptr, "perspective camera", flag(&RenderOptions::perspective, true) },
        { "--texture", "NAME",
          "stroke texture by its name in the viewer's Line Style list, or 'none' for plain strokes (default Chalk)",
          [](RenderOptions& o, const char* name) -> std::string {
              if (strcasecmp(name, "none") == 0) {
                  o.texture = -1;
                  return std::string();
              }
              o.texture = PelmoraScene::findTexture(name);
              if (o.texture < 0)
                  return std::string("knows no texture '") + name + "'; the textures are " + textureNames() +
                         " and none";
              return std::string();
          } },
        { "--width", "PIXELS", "stroke width in pixels (default 2); the PDF and SVG strokes are 0.4 points a pixel",
          number(0, 100, [](RenderOptions& o, double v) { o.strokeWidth = float(v); }) },
        { "--taper", nullptr, "strokes that taper to round ends, as the viewer's Taper Stroke Ends draws them",
          flag(&RenderOptions::taper, true) },
        { "--form-width", nullptr,
          "strokes that narrow where another line runs close, so that thin parts keep two outlines",
          flag(&RenderOptions::formWidth, true) },
        { "--shaded", nullptr, "draw the strokes over the flat-shaded model (default: strokes alone on white)",
          flag(&RenderOptions::shaded, true) },
        { "--lines-only", nullptr, "strokes alone on white, no faces (the default)",
          flag(&RenderOptions::shaded, false) },
        { "--sharp-angle", "DEG", "edges whose faces meet at less than DEG degrees are drawn as sharp (default 115)",
          number(0, 360, [](RenderOptions& o, double v) { o.sharpAngle = float(v); }) },
        { "--no-sharp-edges", nullptr, "draw silhouettes and borders only", flag(&RenderOptions::sharpEdges, false) },
        { "--subdivide", "SCHEME", "one step of subdivision first: loop, butterfly, catmull-clark or doo-sabin",
          [](RenderOptions& o, const char* name) -> std::string {
              for (int i = 0; i < 4; ++i)
                  if (strcasecmp(name, schemes[i]) == 0) {
                      o.subdivision = i;
                      return std::string();
                  }
              return std::string("knows no scheme '") + name + "'; the schemes are loop, butterfly, catmull-clark "
                                                                "and doo-sabin";
          } },
        { "--textures", "DIR",
          "directory of the stroke textures (default: textures/ in the working directory, else the installed ones)",
          [](RenderOptions& o, const char* dir) -> std::string {
              o.textureDir = dir;
              return std::string();
          } },
        { "--help", nullptr, "show this text", flag(&RenderOptions::help, true) },
    };
    return table;
}

} // namespace

std::string parseRenderOptions(int argc, const char* const* argv, RenderOptions& options)
{
    bool onlyModels = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (onlyModels || word.size() < 2 || word[0] != '-') {
            options.models.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyModels = true;
            continue;
        }
        // --name=value as well as --name value.
        const std::string::size_type equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const Option* found = nullptr;
        for (const Option& option : optionTable())
            if (name == option.name)
                found = &option;
        if (found == nullptr)
            return "unknown option '" + name + "'";
        std::string value;
        if (found->argument == nullptr) {
            if (equals != std::string::npos)
                return name + " takes no value";
        } else if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return name + " needs " + found->argument;
        }
        const std::string why = found->apply(options, found->argument != nullptr ? value.c_str() : nullptr);
        if (!why.empty())
            return name + " " + why;
    }
    if (!options.png && !options.pdf && !options.svg && !options.txt)
        options.png = true;
    if (options.models.empty() && !options.help)
        return "no model named";
    return std::string();
}

std::string renderUsage(void)
{
    std::string text =
        "Usage: quillmap-render [OPTION]... MODEL...\n"
        "Draws each MODEL (Open Inventor, VRML, or any mesh format Assimp reads: OBJ, PLY, STL, OFF, glTF, ...)\n"
        "as Pelmora does with its silhouette switched on, without a window or an X server, and writes\n"
        "OUT/NAME.png, .pdf, .svg and .txt for the formats named, NAME being the model's file name without\n"
        "its extension (NAME-2, NAME-3 for later models of the same name). One line per model says what was\n"
        "drawn; the exit status is 0 only when every file of every model was written.\n\nOptions:\n";
    for (const Option& option : optionTable()) {
        std::string head = std::string("  ") + option.name + (option.argument ? std::string(" ") + option.argument : "");
        head.resize(std::max<size_t>(head.size() + 2, 22), ' ');
        text += head + option.help + "\n";
    }
    text += "\nModels are independent: spread many over cores with GNU parallel, for example\n"
            "  ls models/*.iv | parallel -j4 --xargs quillmap-render --svg --out drawings\n";
    return text;
}
