// Stroke thickness per line vertex.

#include "lines/LineThickness.h"

bool canThickenLines(int32_t coordinateCount, int32_t indexCount)
{
    return coordinateCount >= 2 && indexCount >= 2;
}

float baseThickness(const ThicknessSettings& settings)
{
    if (settings.method == ThicknessMethod::ConstantTextureHeight)
        return settings.amplitude * settings.textureHeight;
    return settings.amplitude;
}

void thickenLines(const int32_t* indices, int32_t count, const ThicknessSettings& settings, const float* incoming,
                  int32_t incomingCount, float* thicknesses)
{
    const bool byDepth = settings.method == ThicknessMethod::Depth && settings.depth;
    if (incoming == nullptr)
        incomingCount = 0;
    float w = baseThickness(settings);
    int32_t k = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (indices[i] < 0)
            continue;
        if (byDepth) {
            // The comparison is false for NaN too: a vertex whose depth cannot
            // be told gets no thickness rather than a NaN one.
            const float d = settings.depth(indices[i]);
            w = d >= kMinimumThicknessDepth ? settings.amplitude / d : 0.0f;
        }
        // Same-array input is read at k before k is written.
        thicknesses[k] = k < incomingCount ? w + incoming[k] : w;
        ++k;
    }
}
