// Reading the strokes of a written drawing back from its file.

#include "output/DrawingDecoder.h"

#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

const double POINTS_PER_INCH = 72.0;

bool readFile(const std::string& path, std::string& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "'";
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    bytes = buffer.str();
    return true;
}

bool inflateBytes(const std::string& packed, std::string& plain, std::string& error)
{
    z_stream z = {};
    if (inflateInit(&z) != Z_OK) {
        error = "zlib cannot start inflating";
        return false;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = uInt(packed.size());
    plain.clear();
    char chunk[16384];
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        status = inflate(&z, Z_NO_FLUSH);
        plain.append(chunk, sizeof chunk - z.avail_out);
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END) {
        error = "the compressed content does not inflate (zlib status " + std::to_string(status) + ")";
        return false;
    }
    return true;
}

// The number after `key` in `text`, from `from` on.
bool numberAfter(const std::string& text, const std::string& key, size_t from, long& value)
{
    const size_t at = text.find(key, from);
    if (at == std::string::npos)
        return false;
    char* end = nullptr;
    const char* start = text.c_str() + at + key.size();
    value = std::strtol(start, &end, 10);
    return end != start;
}

} // namespace

bool DrawingDecoder::readPdf(const std::string& path, DrawnPage& page, std::string& error)
{
    std::string file;
    if (!readFile(path, file, error))
        return false;
    page = DrawnPage();

    const size_t box = file.find("/MediaBox [");
    if (box == std::string::npos) {
        error = "no media box";
        return false;
    }
    std::istringstream boxText(file.substr(box + 11, 80));
    double llx = 0, lly = 0, urx = 0, ury = 0;
    if (!(boxText >> llx >> lly >> urx >> ury)) {
        error = "unreadable media box";
        return false;
    }
    page.width = urx - llx;
    page.height = ury - lly;

    // The one stream of the file is the page content.
    const size_t keyword = file.find("stream\n");
    const size_t dictionary = file.rfind("obj\n", keyword);
    long length = 0;
    if (keyword == std::string::npos || dictionary == std::string::npos ||
        !numberAfter(file, "/Length", dictionary, length) || length < 0) {
        error = "no content stream with a length";
        return false;
    }
    const size_t start = keyword + 7;
    if (start + size_t(length) > file.size()) {
        error = "the content stream runs past the end of the file";
        return false;
    }
    std::string content = file.substr(start, size_t(length));
    const std::string header = file.substr(dictionary, keyword - dictionary);
    if (header.find("/Filter") != std::string::npos) {
        if (header.find("/FlateDecode") == std::string::npos) {
            error = "a content filter other than FlateDecode";
            return false;
        }
        std::string plain;
        if (!inflateBytes(content, plain, error))
            return false;
        content.swap(plain);
    }
    return readContent(content, page.strokes, error);
}

bool DrawingDecoder::readContent(const std::string& content, std::vector<DrawnStroke>& strokes, std::string& error)
{
    std::istringstream in(content);
    std::vector<double> operands;
    std::vector<Polyline> path;
    double width = 1.0, red = 0.0, green = 0.0, blue = 0.0;
    std::string token;
    auto need = [&](size_t count) {
        if (operands.size() == count)
            return true;
        error = "operator '" + token + "' with " + std::to_string(operands.size()) + " operands";
        return false;
    };
    while (in >> token) {
        char* end = nullptr;
        const double value = std::strtod(token.c_str(), &end);
        if (end != token.c_str() && *end == '\0') {
            operands.push_back(value);
            continue;
        }
        if (token == "m" || token == "l") {
            if (!need(2))
                return false;
            if (token == "m")
                path.emplace_back();
            else if (path.empty()) {
                error = "a line without a current point";
                return false;
            }
            path.back().push_back(PagePoint(operands[0] / POINTS_PER_INCH, operands[1] / POINTS_PER_INCH));
        } else if (token == "S") {
            if (!need(0))
                return false;
            for (Polyline& p : path) {
                DrawnStroke stroke;
                stroke.points.swap(p);
                stroke.width = width;
                stroke.red = red;
                stroke.green = green;
                stroke.blue = blue;
                strokes.push_back(stroke);
            }
            path.clear();
        } else if (token == "w") {
            if (!need(1))
                return false;
            width = operands[0];
        } else if (token == "RG") {
            if (!need(3))
                return false;
            red = operands[0];
            green = operands[1];
            blue = operands[2];
        } else if (token == "j" || token == "J") {
            if (!need(1))
                return false;
        } else {
            error = "unexpected content '" + token + "'";
            return false;
        }
        operands.clear();
    }
    // A path left unpainted at the end draws nothing.
    if (!operands.empty()) {
        error = "the content ends inside an operation";
        return false;
    }
    return true;
}

bool DrawingDecoder::readText(const std::string& path, std::vector<Polyline>& polylines, std::string& error)
{
    std::string file;
    if (!readFile(path, file, error))
        return false;
    polylines.clear();
    std::istringstream in(file);
    std::string line;
    Polyline current;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty()) {
            polylines.push_back(current);
            current.clear();
            continue;
        }
        std::istringstream fields(line);
        double x = 0, y = 0;
        std::string rest;
        if (!(fields >> x >> y) || (fields >> rest)) {
            error = "line " + std::to_string(number) + " is not \"x y\": '" + line + "'";
            return false;
        }
        current.push_back(PagePoint(x, y));
    }
    if (!current.empty())
        polylines.push_back(current);
    return true;
}
