#ifndef QUILLMAP_DRAWINGDECODER_H
#define QUILLMAP_DRAWINGDECODER_H

// Reads back the strokes of a drawing that the line output wrote: the page
// of a PDF file (its media box and the stroked paths of its content stream,
// compressed or not) or the point lists of a text file. Points come back in
// inches from the lower left page corner, as they were handed to the writer.

#include <string>
#include <vector>

#include "output/SteganoEncoder.h"

// One stroked path of a page, with the width and stroke colour in force
// when it was stroked.
struct DrawnStroke {
    Polyline points;
    double width = 1.0;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

// The page of a PDF file.
struct DrawnPage {
    // Media box size in points.
    double width = 0.0;
    double height = 0.0;
    std::vector<DrawnStroke> strokes;
};

class DrawingDecoder {
public:
    // Reads a one-page PDF file holding a single content stream made of
    // path, stroke, width, join, cap and RGB stroke colour operators. False,
    // with the reason in `error`, when the file cannot be read or holds
    // anything else.
    static bool readPdf(const std::string& path, DrawnPage& page, std::string& error);

    // Reads a text file of "x y" lines, a polyline ending at each empty
    // line; a last polyline without an empty line after it is kept.
    static bool readText(const std::string& path, std::vector<Polyline>& polylines, std::string& error);

    // The content operators of a page, as readPdf takes them in.
    static bool readContent(const std::string& content, std::vector<DrawnStroke>& strokes, std::string& error);
};

#endif // QUILLMAP_DRAWINGDECODER_H
