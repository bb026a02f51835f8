// Writes the stroke textures that Quillmap's stroke nodes map along their
// lines: SGI RGB images with alpha, 32 pixels high, the stroke running along
// x (the s axis) and its thickness across y (the t axis).
//
// Usage: make_stroke_textures [directory]   (default "textures")
//
// Every texture is generated procedurally and deterministically (hashed value
// noise and a fixed-seed std::mt19937), so running the tool twice gives
// byte-identical files. Texture colours are multiplied by the stroke's base
// colour in the viewer, so the plain strokes are kept dark or neutral; the
// shape of each stroke lives in the alpha channel.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

const int kHeight = 32;
const double kPi = 3.14159265358979323846;

struct Rgba {
    double r, g, b, a;
};

// An RGBA image with float channels in [0, 1]; row 0 is the bottom row.
struct Image {
    int width;
    int height;
    std::vector<Rgba> pixels;

    Image(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h), Rgba{0, 0, 0, 0}) {}
    Rgba &at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Rgba &at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

double clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

double smoothstep(double e0, double e1, double v)
{
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

// Integer hash mapped to [0, 1).
double hash01(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return double(h) / 4294967296.0;
}

// Smooth value noise in [0, 1). u in [0, 1) runs along the image width and
// wraps after cellsU lattice cells, so every texture tiles along the stroke.
double noise(double u, double v, int cellsU, int cellsV, uint32_t seed)
{
    const double fu = u * cellsU;
    const double fv = v * cellsV;
    const int iu = int(std::floor(fu));
    const int iv = int(std::floor(fv));
    const double tu = smoothstep(0.0, 1.0, fu - iu);
    const double tv = smoothstep(0.0, 1.0, fv - iv);
    auto lattice = [&](int a, int b) {
        const int wrapped = ((a % cellsU) + cellsU) % cellsU;
        return hash01(wrapped, b, seed);
    };
    const double n0 = mix(lattice(iu, iv), lattice(iu + 1, iv), tu);
    const double n1 = mix(lattice(iu, iv + 1), lattice(iu + 1, iv + 1), tu);
    return mix(n0, n1, tv);
}

// Fractal sum of noise octaves, normalised back to [0, 1).
double fbm(double u, double v, int cellsU, int cellsV, int octaves, uint32_t seed)
{
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * noise(u, v, cellsU << i, cellsV << i, seed + uint32_t(i) * 101u);
        total += amplitude;
        amplitude *= 0.5;
    }
    return sum / total;
}

// Coverage of a band of the given half width (pixels) at distance d from its
// centre line, with an anti-aliased edge `soft` pixels wide.
double bandCoverage(double d, double halfWidth, double soft)
{
    return clamp01((halfWidth - std::fabs(d)) / soft + 0.5);
}

// Helpers giving each pixel's centre in stroke terms.
double alongU(const Image &img, int x) { return (x + 0.5) / img.width; }
double acrossV(const Image &img, int y) { return (y + 0.5) / img.height; }
double fromCentre(const Image &img, int y) { return (y + 0.5) - img.height * 0.5; }

void forEachPixel(Image &img, const std::function<Rgba(int, int)> &shade)
{
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            img.at(x, y) = shade(x, y);
}

// A plain dark line whose weight and edge softness are given in pixels.
Image plainLine(int width, double halfWidth, double soft)
{
    Image img(width, kHeight);
    forEachPixel(img, [&](int, int y) {
        const double a = bandCoverage(fromCentre(img, y), halfWidth, soft);
        return Rgba{0.05, 0.05, 0.05, a};
    });
    return img;
}

// Chalk: white-grey grain broken into specks, with ragged edges.
Image chalk()
{
    Image img(512, kHeight);
    forEachPixel(img, [&](int x, int y) {
        const double u = alongU(img, x), v = acrossV(img, y);
        const double edge = 11.0 + 4.0 * (fbm(u, 0.0, 48, 1, 3, 11) - 0.5) + 3.0 * (hash01(x, y, 12) - 0.5);
        const double body = bandCoverage(fromCentre(img, y), edge, 1.0);
        const double grain = 0.6 * hash01(x, y, 13) + 0.4 * fbm(u, v, 128, 8, 2, 14);
        const double specks = smoothstep(0.30, 0.50, grain);
        const double shade = 0.80 + 0.20 * hash01(x, y, 15);
        return Rgba{shade, shade, shade, body * specks};
    });
    return img;
}

// Old chalk: worn, softer and fainter, with rubbed-away patches.
Image chalkOld()
{
    Image img(512, kHeight);
    forEachPixel(img, [&](int x, int y) {
        const double u = alongU(img, x), v = acrossV(img, y);
        const double edge = 10.0 + 3.0 * (fbm(u, 0.0, 24, 1, 3, 21) - 0.5);
        const double body = smoothstep(edge + 3.0, edge - 3.0, std::fabs(fromCentre(img, y)));
        const double grain = 0.35 * hash01(x, y, 22) + 0.65 * fbm(u, v, 96, 6, 3, 23);
        const double worn = smoothstep(0.25, 0.60, fbm(u, v, 16, 2, 2, 24));
        const double shade = 0.72 + 0.15 * grain;
        return Rgba{shade, shade, shade * 0.98, body * (0.35 + 0.6 * grain) * (0.5 + 0.5 * worn)};
    });
    return img;
}

// Line test: a thin core line with gradations every 8, 32 and 64 pixels.
Image lineTest()
{
    Image img(256, kHeight);
    forEachPixel(img, [&](int x, int y) {
        const double d = fromCentre(img, y);
        double a = bandCoverage(d, 2.0, 1.0);
        const int tickHalf = (x % 64 == 0) ? 15 : (x % 32 == 0) ? 10 : (x % 8 == 0) ? 5 : 0;
        if (tickHalf > 0 && std::fabs(d) < tickHalf)
            a = 1.0;
        // A solid block marks the start of the texture so its direction shows.
        if (x >= 2 && x < 6 && d > 4.0 && d < 10.0)
            a = 1.0;
        return Rgba{0.1, 0.1, 0.1, a};
    });
    return img;
}

// Oil paint: a thick brush stroke, streaked by bristles along x, with
// colour varying between warm and cool neutrals.
Image oilPaint()
{
    Image img(512, kHeight);
    forEachPixel(img, [&](int x, int y) {
        const double u = alongU(img, x), v = acrossV(img, y);
        const double d = fromCentre(img, y);
        const double edge = 13.0 + 2.5 * (fbm(u, 0.0, 16, 1, 3, 31) - 0.5);
        const double bristle = fbm(u, v, 16, 32, 2, 32);  // long along x, fine across
        const double body = bandCoverage(d, edge - 6.0 * std::fabs(bristle - 0.5), 1.2);  // bristle-ragged edge
        const double hue = fbm(u, v, 6, 2, 2, 33);
        const double light = 0.35 + 0.65 * smoothstep(0.25, 0.75, bristle);
        const double r = light * mix(0.55, 0.80, hue);
        const double g = light * mix(0.50, 0.62, hue);
        const double b = light * mix(0.62, 0.40, hue);
        const double gaps = smoothstep(0.20, 0.35, bristle);
        return Rgba{r, g, b, body * mix(0.6, 1.0, gaps)};
    });
    return img;
}

// Pen: a crisp ink line with a slight pressure variation along s.
Image pen()
{
    Image img(256, kHeight);
    forEachPixel(img, [&](int x, int y) {
        const double halfWidth = 5.0 + 1.2 * (noise(alongU(img, x), 0.0, 4, 1, 41) - 0.5);
        return Rgba{0.02, 0.02, 0.04, bandCoverage(fromCentre(img, y), halfWidth, 0.7)};
    });
    return img;
}

// Squiggly pen: a thin ink line wandering up and down across t along s.
Image penSquiggle()
{
    Image img(512, kHeight);
    const double w = 2.0 * kPi / img.width;
    forEachPixel(img, [&](int x, int y) {
        const double px = x + 0.5;
        const double centre = 9.0 * std::sin(6.0 * w * px) + 3.0 * std::sin(17.0 * w * px + 1.0);
        const double slope = 9.0 * 6.0 * w * std::cos(6.0 * w * px) + 3.0 * 17.0 * w * std::cos(17.0 * w * px + 1.0);
        const double d = (fromCentre(img, y) - centre) / std::sqrt(1.0 + slope * slope);
        return Rgba{0.02, 0.02, 0.04, bandCoverage(d, 1.8, 0.8)};
    });
    return img;
}

// Pencil: grey graphite broken by paper grain, lighter towards its edges.
Image pencil()
{
    Image img(512, kHeight);
    forEachPixel(img, [&](int x, int y) {
        const double u = alongU(img, x), v = acrossV(img, y);
        const double across = std::fabs(fromCentre(img, y)) / 10.0;
        const double profile = clamp01(1.0 - across * across);
        const double paper = 0.5 * hash01(x, y, 51) + 0.5 * fbm(u, v, 256, 16, 2, 52);
        const double grain = smoothstep(0.2, 0.6, paper);
        const double shade = 0.30 + 0.25 * across + 0.1 * hash01(x, y, 53);
        return Rgba{shade, shade, shade * 1.03, profile * (0.35 + 0.6 * grain)};
    });
    return img;
}

// Is (px, py) inside a teapot silhouette drawn in a 32x32 cell?
bool insideTeapot(double px, double py)
{
    const double cx = 15.0, cy = 13.0;
    auto ellipse = [](double x, double y, double rx, double ry) { return x * x / (rx * rx) + y * y / (ry * ry) <= 1.0; };
    const bool body = ellipse(px - cx, py - cy, 8.0, 6.5) && py >= 7.0;
    const bool base = px >= 10.0 && px <= 20.0 && py >= 6.0 && py <= 7.5;
    const bool lid = ellipse(px - cx, py - 19.0, 4.5, 2.0) && py >= 19.0;
    const bool knob = ellipse(px - cx, py - 22.0, 1.3, 1.3);
    const double hx = px - 7.0, hy = py - 14.0;  // ring-shaped handle on the left
    const double hr = std::sqrt(hx * hx + hy * hy);
    const bool handle = hr >= 2.5 && hr <= 4.3 && px < 8.0;
    const double along = px - 22.0;  // spout rising to the right
    const bool spout = along >= 0.0 && along <= 7.0 && std::fabs(py - (11.0 + along)) <= 1.8 - 0.1 * along;
    return body || base || lid || knob || handle || spout;
}

// Teapot: a row of small teapot silhouettes, one every 32 pixels.
Image teapot()
{
    Image img(256, kHeight);
    forEachPixel(img, [&](int x, int y) {
        // 3x3 supersampling for smooth silhouettes.
        int hits = 0;
        for (int sy = 0; sy < 3; ++sy)
            for (int sx = 0; sx < 3; ++sx)
                hits += insideTeapot((x % 32) + (sx + 0.5) / 3.0, y + (sy + 0.5) / 3.0) ? 1 : 0;
        return Rgba{0.08, 0.06, 0.05, hits / 9.0};
    });
    return img;
}

// Test pattern: a distinct colour in each quadrant, an 8-pixel checker and an
// alpha ramp along s, to check how texture coordinates land on a stroke.
Image testPattern()
{
    Image img(256, kHeight);
    const Rgba quadrant[4] = {
        {1.0, 0.1, 0.1, 1}, {0.1, 0.8, 0.1, 1},  // bottom left, bottom right
        {0.1, 0.2, 1.0, 1}, {1.0, 0.9, 0.1, 1},  // top left, top right
    };
    forEachPixel(img, [&](int x, int y) {
        const Rgba q = quadrant[(y >= img.height / 2 ? 2 : 0) + (x >= img.width / 2 ? 1 : 0)];
        const double check = ((x / 8 + y / 8) % 2 == 0) ? 1.0 : 0.6;
        const double alpha = 0.25 + 0.75 * (x / double(img.width - 1));
        return Rgba{q.r * check, q.g * check, q.b * check, alpha};
    });
    return img;
}

// Van Gogh: short curling dabs of yellows and blues over a swirling blue base.
Image vanGogh()
{
    Image img(512, kHeight);
    forEachPixel(img, [&](int x, int y) {
        const double u = alongU(img, x), v = acrossV(img, y);
        const double swirl = fbm(u, v, 16, 2, 3, 61);
        const double body = bandCoverage(fromCentre(img, y), 13.0 + 3.0 * (swirl - 0.5), 1.5);
        return Rgba{mix(0.10, 0.25, swirl), mix(0.20, 0.40, swirl), mix(0.50, 0.75, swirl), body * 0.85};
    });
    std::mt19937 rng(1889u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 140; ++i) {
        const double cx = unit(rng) * img.width;
        const double cy = 6.0 + unit(rng) * 20.0;
        const double radius = 3.0 + unit(rng) * 6.0;
        const double start = unit(rng) * 2.0 * kPi;
        const double span = 1.2 + unit(rng) * 2.5;
        const double thickness = 1.0 + unit(rng) * 0.9;
        const bool yellow = unit(rng) < 0.5;
        const double tone = unit(rng);
        const Rgba colour = yellow ? Rgba{mix(0.85, 1.0, tone), mix(0.65, 0.90, tone), mix(0.05, 0.30, tone), 1}
                                   : Rgba{mix(0.05, 0.30, tone), mix(0.25, 0.55, tone), mix(0.70, 1.00, tone), 1};
        for (int y = 0; y < img.height; ++y) {
            for (int x = 0; x < img.width; ++x) {
                // Nearest wrapped horizontal offset so dabs tile across the seam.
                double dx = x + 0.5 - cx;
                dx -= img.width * std::round(dx / img.width);
                const double dy = y + 0.5 - cy;
                const double r = std::sqrt(dx * dx + dy * dy);
                if (r > radius + thickness + 1.0)
                    continue;
                double angle = std::atan2(dy, dx) - start;
                angle -= 2.0 * kPi * std::floor(angle / (2.0 * kPi));
                if (angle > span)
                    continue;
                // The dab tapers from its start to its end, like a brush lifting.
                const double taper = 1.0 - 0.6 * angle / span;
                const double a = bandCoverage(r - radius, thickness * taper, 0.8) * 0.9;
                Rgba &p = img.at(x, y);
                p.r = mix(p.r, colour.r, a);
                p.g = mix(p.g, colour.g, a);
                p.b = mix(p.b, colour.b, a);
                p.a = a + p.a * (1.0 - a);
            }
        }
    }
    return img;
}

// Watercolour: a translucent wash, pigment pooling darker along its wavy edges.
Image watercolor()
{
    Image img(512, kHeight);
    forEachPixel(img, [&](int x, int y) {
        const double u = alongU(img, x), v = acrossV(img, y);
        const double edge = 12.0 + 5.0 * (fbm(u, 0.0, 12, 1, 3, 71) - 0.5);
        const double d = std::fabs(fromCentre(img, y));
        const double inside = smoothstep(edge + 1.0, edge - 1.0, d);
        const double pooled = std::exp(-std::pow((edge - 2.5 - d) / 2.5, 2.0));
        const double wash = fbm(u, v, 10, 3, 4, 72);
        const double alpha = inside * clamp01(0.25 + 0.35 * wash + 0.40 * pooled);
        const double shade = 0.45 - 0.18 * pooled - 0.15 * wash;
        return Rgba{shade, shade * 1.02, shade * 1.08, alpha};
    });
    return img;
}

void putShort(std::vector<unsigned char> &out, size_t at, unsigned value)
{
    out[at] = (unsigned char)((value >> 8) & 0xff);
    out[at + 1] = (unsigned char)(value & 0xff);
}

void putLong(std::vector<unsigned char> &out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = (unsigned char)((value >> (24 - 8 * i)) & 0xff);
}

// Writes an uncompressed (VERBATIM) SGI RGB file with four channels: the
// 512-byte big-endian header, then the R, G, B and A planes, bottom row first.
bool writeSgiRgb(const std::string &path, const Image &img, const std::string &name)
{
    std::vector<unsigned char> out(512, 0);
    putShort(out, 0, 474);  // magic
    out[2] = 0;             // storage: VERBATIM
    out[3] = 1;             // bytes per channel
    putShort(out, 4, 3);    // dimension
    putShort(out, 6, unsigned(img.width));
    putShort(out, 8, unsigned(img.height));
    putShort(out, 10, 4);   // channels
    putLong(out, 12, 0);    // pixmin
    putLong(out, 16, 255);  // pixmax
    for (size_t i = 0; i < name.size() && i < 79; ++i)
        out[24 + i] = (unsigned char)name[i];
    putLong(out, 104, 0);   // colormap: normal
    for (int channel = 0; channel < 4; ++channel) {
        for (int y = 0; y < img.height; ++y) {
            for (int x = 0; x < img.width; ++x) {
                const Rgba &p = img.at(x, y);
                const double value = channel == 0 ? p.r : channel == 1 ? p.g : channel == 2 ? p.b : p.a;
                out.push_back((unsigned char)std::lround(clamp01(value) * 255.0));
            }
        }
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char *>(out.data()), std::streamsize(out.size()));
    return bool(file);
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string directory = argc > 1 ? argv[1] : "textures";
    const struct {
        const char *file;
        std::function<Image()> make;
    } textures[] = {
        {"chalk.rgb", chalk},
        {"chalk_old.rgb", chalkOld},
        {"line1.rgb", [] { return plainLine(256, 2.0, 0.8); }},   // thin and crisp
        {"line2.rgb", [] { return plainLine(256, 10.0, 4.0); }},  // heavy and soft
        {"line.rgb", [] { return plainLine(256, 6.0, 1.5); }},    // medium
        {"linetest.rgb", lineTest},
        {"oilpaint.rgb", oilPaint},
        {"pen.rgb", pen},
        {"pen_squiggle.rgb", penSquiggle},
        {"pencil.rgb", pencil},
        {"teapot.rgb", teapot},
        {"test.rgb", testPattern},
        {"vangogh.rgb", vanGogh},
        {"watercolor.rgb", watercolor},
    };
    int failures = 0;
    for (const auto &texture : textures) {
        const std::string path = directory + "/" + texture.file;
        if (!writeSgiRgb(path, texture.make(), texture.file)) {
            std::cerr << "make_stroke_textures: cannot write " << path << "\n";
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
