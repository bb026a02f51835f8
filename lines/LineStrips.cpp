// Counting strips and vertices of a line index list.

#include "lines/LineStrips.h"

int32_t countStrips(const int32_t* indices, int32_t count)
{
    int32_t strips = 0;
    bool open = false;
    for (int32_t i = 0; i < count; ++i) {
        if (indices[i] < 0) {
            ++strips; // an empty run between two separators is a strip too
            open = false;
        } else {
            open = true;
        }
    }
    return strips + (open ? 1 : 0);
}

int32_t countVertexEntries(const int32_t* indices, int32_t count)
{
    int32_t vertices = 0;
    for (int32_t i = 0; i < count; ++i)
        vertices += indices[i] >= 0 ? 1 : 0;
    return vertices;
}
