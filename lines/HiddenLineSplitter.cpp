// Splitting line strips at the depth of the frame drawn so far.

#include "lines/HiddenLineSplitter.h"
#include "lines/ViewportSamples.h"

#include <Inventor/errors/SoDebugError.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const char* const kWhere = "HiddenLineSplitter::split";

// Window positions are kept as doubles and clamped to this many pixels
// either side of the origin: whole numbers are still exact there, and the
// difference of two positions stays finite.
const double kCoordinateLimit = 1e15;

// A segment with one end behind the eye is walked only up to where its clip
// w has fallen to this fraction of the w at its other end. Closer to the eye
// plane the segment projects ever farther out, so nothing of it that could
// be seen is lost, and window positions stay finite.
const double kEyePlaneFraction = 1e-6;

// Window depth as the float it is compared in. Depth values lie in [0, 1],
// so clamping to [-1, 2] changes no comparison but keeps a point very close
// to the eye plane from overflowing the conversion.
inline float comparableDepth(double z)
{
    return float(std::min(2.0, std::max(-1.0, z)));
}

inline double clampCoordinate(double v)
{
    return std::min(kCoordinateLimit, std::max(-kCoordinateLimit, v));
}

// A point on the screen: window position (not rounded) and window depth.
struct Window {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    bool onScreen = false; // in front of the eye with finite coordinates
};

// A coordinate in clip space and on the screen.
struct Projected {
    double clip[4] = {0.0, 0.0, 0.0, 0.0};
    bool finite = false;
    Window window;
    bool visible = false;
};

// The piece of a segment P -> Q that is walked, linearly in window
// coordinates from A (s = 0) to B (s = 1). A and B are P and Q unless an end
// lies behind the eye and was moved towards the other.
struct Segment {
    double ax = 0.0;
    double ay = 0.0;
    double az = 0.0;
    double dx = 0.0;
    double dy = 0.0;
    double dz = 0.0;
    double aw = 1.0; // clip w at A and B
    double bw = 1.0;
    double t0 = 0.0; // A and B as parameters along P -> Q in object space
    double t1 = 1.0;
    double length = 0.0;

    bool whole(void) const { return t0 == 0.0 && t1 == 1.0; }

    // Under a perspective projection equal steps on the screen are unequal
    // steps along the segment in space; the screen parameter is mapped back
    // with the clip w of the two ends so that the point placed in space
    // projects where the change was seen. (Window depth, being affine in
    // 1/w, is linear on the screen and needs no such correction.)
    double objectParameter(double s) const
    {
        const double u = std::min(1.0, std::max(0.0, s * aw / (bw + s * (aw - bw))));
        return t0 + (t1 - t0) * u;
    }
};

} // namespace

// The working state of one split: projected coordinates, the output number
// of each input coordinate, and the two marks of the strip walk.
class HiddenLineSplitter::Run {
public:
    Run(const SplittingInput& lines, bool parameters, double maximalError, BlockDepthCache& depthCache,
        SplitLines& result)
        : in(lines), useParameters(parameters), step(maximalError), cache(depthCache), view(depthCache.viewport()),
          out(result),
          projected(size_t(lines.coordinateCount)), outputNumber(size_t(lines.coordinateCount), -1)
    {
    }

    void projectReferenced(const SbMatrix& objectToClip);
    void prepareRegion(void);
    void testVertices(void);
    void walkStrips(void);

private:
    bool isVertex(int32_t position) const
    {
        const int32_t index = in.indices[position];
        return index >= 0 && index < in.coordinateCount;
    }
    Window toWindow(const double clip[4]) const;
    bool pointVisible(double px, double py, double z);
    bool sampleVisible(const Segment& segment, double s, bool rounded);
    double bisect(const Segment& segment, double s0, bool state, double s1);
    bool makeSegment(int32_t p, int32_t q, Segment& segment) const;
    void sampleRange(const Segment& segment, double s, long long& lastSample, long long& firstTested,
                     long long& lastTested) const;
    void walkSegment(int32_t position);
    void writeVertex(int32_t position);
    void writeTransition(int32_t position, const Segment& segment, double s);
    void closeOutput(void);
    void endStrip(void);

    const SplittingInput& in;
    const bool useParameters;
    const double step;
    BlockDepthCache& cache;
    const DepthViewport view;
    SplitLines& out;
    bool regionSet = false;
    std::vector<Projected> projected;
    // Where each input coordinate went in the output, -1 while unused.
    std::vector<int32_t> outputNumber;
    // The next segment begins a strip; an output strip waits for its -1.
    bool stripStart = true;
    bool outputOpen = false;
};

HiddenLineSplitter::HiddenLineSplitter(void) : depthCache(kBlockSize, kCacheMargin)
{
}

namespace {

// What the index list holds apart from well-formed strips.
struct IndexCheck {
    int32_t badEntries = 0;
    int32_t firstBad = -1;
    bool unterminated = false;
};

IndexCheck checkIndices(const SplittingInput& lines)
{
    IndexCheck check;
    for (int32_t i = 0; i < lines.indexCount; ++i) {
        const int32_t index = lines.indices[i];
        if (index < -1 || index >= lines.coordinateCount) {
            if (check.badEntries++ == 0)
                check.firstBad = i;
        }
    }
    const int32_t last = lines.indices[lines.indexCount - 1];
    check.unterminated = last >= 0 && last < lines.coordinateCount;
    return check;
}

} // namespace

bool HiddenLineSplitter::split(const SplittingInput& lines, float maximalError, const SbMatrix& objectToClip,
                               DepthSource& depth, SplitLines& out)
{
    if (lines.indexCount < 3 || lines.coordinateCount < 2)
        return false;
    if (lines.indices == nullptr || lines.coordinates == nullptr) {
        SoDebugError::post(kWhere, "%d index entries and %d coordinates are announced but an array is missing; "
                                   "the lines pass unchanged",
                           int(lines.indexCount), int(lines.coordinateCount));
        return false;
    }
    const DepthViewport view = depth.viewport();
    if (view.width > 32767 || view.height > 32767) {
        SoDebugError::post(kWhere, "viewport %d x %d is larger than any window; the lines pass unchanged",
                           view.width, view.height);
        return false;
    }
    if (!(maximalError > 0.0f)) {
        SoDebugError::post(kWhere, "maximalError is %g; it must be a positive number of pixels, using %g",
                           double(maximalError), double(kMinimalStep));
        maximalError = kMinimalStep;
    }
    maximalError = std::max(maximalError, kMinimalStep);

    bool useParameters = lines.parameters != nullptr && lines.parameterCount > 1;
    if (useParameters && lines.parameterCount < lines.indexCount) {
        SoDebugError::post(kWhere, "the parameterization has %d entries for %d index entries; it is not carried over",
                           int(lines.parameterCount), int(lines.indexCount));
        useParameters = false;
    }
    const IndexCheck check = checkIndices(lines);
    if (check.badEntries > 0)
        SoDebugError::post(kWhere, "%d index entries name no coordinate of %d (the first at position %d, value %d); "
                                   "each ends its strip there",
                           int(check.badEntries), int(lines.coordinateCount), int(check.firstBad),
                           int(lines.indices[check.firstBad]));
    if (check.unterminated)
        SoDebugError::post(kWhere, "the last strip of the index list (%d entries) lacks its -1; it is ended there",
                           int(lines.indexCount));

    out.coordinates.clear();
    out.indices.clear();
    out.parameters.clear();
    out.parametersUsed = useParameters;

    depthCache.begin(depth);
    Run run(lines, useParameters, double(maximalError), depthCache, out);
    run.projectReferenced(objectToClip);
    run.prepareRegion();
    run.testVertices();
    run.walkStrips();
    depthCache.end();
    return true;
}

Window HiddenLineSplitter::Run::toWindow(const double clip[4]) const
{
    Window window;
    // Behind the eye (w <= 0) a point has no place on the screen.
    if (!(clip[3] > 0.0))
        return window;
    const double nx = clip[0] / clip[3];
    const double ny = clip[1] / clip[3];
    const double nz = clip[2] / clip[3];
    window.x = clampCoordinate((nx + 1.0) * view.width * 0.5 + view.x);
    window.y = clampCoordinate((ny + 1.0) * view.height * 0.5 + view.y);
    window.z = (nz + 1.0) * 0.5;
    window.onScreen = std::isfinite(window.x) && std::isfinite(window.y) && std::isfinite(window.z);
    return window;
}

void HiddenLineSplitter::Run::projectReferenced(const SbMatrix& objectToClip)
{
    std::vector<char> referenced(projected.size(), 0);
    for (int32_t i = 0; i < in.indexCount; ++i)
        if (isVertex(i))
            referenced[size_t(in.indices[i])] = 1;
    for (size_t c = 0; c < projected.size(); ++c) {
        if (!referenced[c])
            continue;
        const SbVec3f& p = in.coordinates[c];
        Projected& q = projected[c];
        q.finite = true;
        for (int j = 0; j < 4; ++j) {
            q.clip[j] = double(p[0]) * objectToClip[0][j] + double(p[1]) * objectToClip[1][j]
                + double(p[2]) * objectToClip[2][j] + double(objectToClip[3][j]);
            q.finite = q.finite && std::isfinite(q.clip[j]);
        }
        if (q.finite)
            q.window = toWindow(q.clip);
    }
}

void HiddenLineSplitter::Run::prepareRegion(void)
{
    // The pixels the tests can look at: samples and vertices at their
    // rounded positions, bisection steps at their truncated ones, all on the
    // window segments between the vertices. Positions beyond the viewport
    // count as lying just outside, since the region is clipped to it.
    const double lowLimit = double(view.x) - 2.0;
    const double highLimit = double(view.x) + view.width + 1.0;
    const double lowLimitY = double(view.y) - 2.0;
    const double highLimitY = double(view.y) + view.height + 1.0;
    double lowX = std::numeric_limits<double>::max();
    double highX = std::numeric_limits<double>::lowest();
    double lowY = lowX;
    double highY = highX;
    bool behindEye = false;
    for (int32_t i = 0; i < in.indexCount; ++i) {
        if (!isVertex(i))
            continue;
        const Projected& q = projected[size_t(in.indices[i])];
        if (!q.window.onScreen) {
            behindEye = behindEye || q.finite;
            continue;
        }
        lowX = std::min(lowX, std::floor(q.window.x));
        highX = std::max(highX, std::floor(q.window.x + 0.5));
        lowY = std::min(lowY, std::floor(q.window.y));
        highY = std::max(highY, std::floor(q.window.y + 0.5));
    }
    if (behindEye) {
        // A segment towards a point behind the eye may sweep across any part
        // of the view.
        regionSet = cache.setRegion(view.x, view.x + view.width - 1, view.y, view.y + view.height - 1);
        return;
    }
    if (lowX > highX)
        return;
    regionSet = cache.setRegion(int(std::min(highLimit, std::max(lowLimit, lowX))),
                                int(std::min(highLimit, std::max(lowLimit, highX))),
                                int(std::min(highLimitY, std::max(lowLimitY, lowY))),
                                int(std::min(highLimitY, std::max(lowLimitY, highY))));
}

void HiddenLineSplitter::Run::testVertices(void)
{
    for (Projected& q : projected)
        if (q.window.onScreen)
            q.visible = pointVisible(std::floor(q.window.x + 0.5), std::floor(q.window.y + 0.5), q.window.z);
}

bool HiddenLineSplitter::Run::pointVisible(double px, double py, double z)
{
    // Whole numbers; far outside the viewport they need not fit an int. The
    // pixel just past the viewport's right or top side still counts: a point
    // rounded onto it lies on the side itself, and its neighbours inside
    // decide.
    if (!regionSet || !(px >= view.x && py >= view.y && px <= double(view.x) + view.width
                        && py <= double(view.y) + view.height))
        return false;
    return cache.reachesNeighbourhood(int(px), int(py), comparableDepth(z));
}

bool HiddenLineSplitter::Run::sampleVisible(const Segment& segment, double s, bool rounded)
{
    const double x = segment.ax + s * segment.dx;
    const double y = segment.ay + s * segment.dy;
    const double z = segment.az + s * segment.dz;
    if (rounded)
        return pointVisible(std::floor(x + 0.5), std::floor(y + 0.5), z);
    return pointVisible(std::floor(x), std::floor(y), z);
}

double HiddenLineSplitter::Run::bisect(const Segment& segment, double s0, bool state, double s1)
{
    // Halve until the interval spans at most one pixel in x and in y; the
    // change lies inside it, so its middle is within half a pixel.
    while (std::fabs((s1 - s0) * segment.dx) > 1.0 || std::fabs((s1 - s0) * segment.dy) > 1.0) {
        const double middle = 0.5 * (s0 + s1);
        if (!(middle > s0 && middle < s1))
            break; // no double left between them
        if (sampleVisible(segment, middle, false) == state)
            s0 = middle;
        else
            s1 = middle;
    }
    return 0.5 * (s0 + s1);
}

bool HiddenLineSplitter::Run::makeSegment(int32_t p, int32_t q, Segment& segment) const
{
    const Projected& a = projected[size_t(p)];
    const Projected& b = projected[size_t(q)];
    if (!a.finite || !b.finite || (!(a.clip[3] > 0.0) && !(b.clip[3] > 0.0)))
        return false;
    double start[4];
    double end[4];
    for (int j = 0; j < 4; ++j) {
        start[j] = a.clip[j];
        end[j] = b.clip[j];
    }
    // w is affine along the segment, so the point where it reaches a small
    // fraction of the front end's w is found in clip space directly.
    if (!(a.clip[3] > 0.0)) {
        segment.t0 = (kEyePlaneFraction * b.clip[3] - a.clip[3]) / (b.clip[3] - a.clip[3]);
        for (int j = 0; j < 4; ++j)
            start[j] = a.clip[j] + segment.t0 * (b.clip[j] - a.clip[j]);
    }
    if (!(b.clip[3] > 0.0)) {
        segment.t1 = 1.0 - (kEyePlaneFraction * a.clip[3] - b.clip[3]) / (a.clip[3] - b.clip[3]);
        for (int j = 0; j < 4; ++j)
            end[j] = b.clip[j] + (1.0 - segment.t1) * (a.clip[j] - b.clip[j]);
    }
    const Window from = segment.t0 == 0.0 ? a.window : toWindow(start);
    const Window to = segment.t1 == 1.0 ? b.window : toWindow(end);
    if (!from.onScreen || !to.onScreen)
        return false;
    segment.ax = from.x;
    segment.ay = from.y;
    segment.az = from.z;
    segment.dx = to.x - from.x;
    segment.dy = to.y - from.y;
    segment.dz = to.z - from.z;
    segment.aw = start[3];
    segment.bw = end[3];
    segment.length = std::sqrt(segment.dx * segment.dx + segment.dy * segment.dy);
    return std::isfinite(segment.length);
}

void HiddenLineSplitter::Run::sampleRange(const Segment& segment, double s, long long& lastSample,
                                          long long& firstTested, long long& lastTested) const
{
    // Samples at k * s for k = 1 .. lastSample, the last with k * s <= 1 - s.
    lastSample = std::max(0LL, (long long)std::floor(1.0 / s) - 1);
    while (lastSample > 0 && double(lastSample) * s > 1.0 - s)
        --lastSample;
    while (double(lastSample + 1) * s <= 1.0 - s)
        ++lastSample;

    samplesInViewport(segment.ax, segment.ay, segment.dx, segment.dy, view, s, lastSample, firstTested, lastTested);
}

void HiddenLineSplitter::Run::walkStrips(void)
{
    for (int32_t i = 0; i < in.indexCount; ++i) {
        if (!isVertex(i)) {
            endStrip();
            continue;
        }
        if (i + 1 < in.indexCount && isVertex(i + 1))
            walkSegment(i);
    }
    endStrip();
}

void HiddenLineSplitter::Run::walkSegment(int32_t position)
{
    const Projected& p = projected[size_t(in.indices[position])];
    const Projected& q = projected[size_t(in.indices[position + 1])];
    if (p.visible && stripStart)
        writeVertex(position);
    bool state = p.visible;

    Segment segment;
    const bool walkable = makeSegment(in.indices[position], in.indices[position + 1], segment);
    double lastSample = 0.0;
    if (walkable && segment.length > step) {
        const double s = step / segment.length;
        long long last = 0;
        long long first = 0;
        long long lastTested = 0;
        sampleRange(segment, s, last, first, lastTested);
        for (long long k = first; k <= lastTested; ++k) {
            const double t = double(k) * s;
            const bool visible = sampleVisible(segment, t, true);
            if (visible == state)
                continue;
            writeTransition(position, segment, bisect(segment, t - s, state, t));
            if (!visible)
                closeOutput();
            state = visible;
        }
        // Untested samples after the tested ones are hidden, as the last
        // tested one was whenever any were skipped.
        lastSample = double(last) * s;
    }

    // A segment that cannot be walked (an end without finite coordinates)
    // has no place for a transition: its visible end stands alone.
    if (q.visible) {
        if (!state && walkable)
            writeTransition(position, segment, bisect(segment, lastSample, false, 1.0));
        writeVertex(position + 1);
        stripStart = false;
    } else if (state) {
        if (walkable)
            writeTransition(position, segment, bisect(segment, lastSample, true, 1.0));
        closeOutput();
    }
}

void HiddenLineSplitter::Run::writeVertex(int32_t position)
{
    const int32_t index = in.indices[position];
    int32_t& number = outputNumber[size_t(index)];
    if (number < 0) {
        number = int32_t(out.coordinates.size());
        out.coordinates.push_back(in.coordinates[index]);
    }
    out.indices.push_back(number);
    if (useParameters)
        out.parameters.push_back(in.parameters[position]);
    outputOpen = true;
}

void HiddenLineSplitter::Run::writeTransition(int32_t position, const Segment& segment, double s)
{
    const SbVec3f& p = in.coordinates[in.indices[position]];
    const SbVec3f& q = in.coordinates[in.indices[position + 1]];
    const double t = segment.objectParameter(s);
    SbVec3f point;
    for (int j = 0; j < 3; ++j)
        point[j] = float(double(p[j]) + t * (double(q[j]) - double(p[j])));
    out.indices.push_back(int32_t(out.coordinates.size()));
    out.coordinates.push_back(point);
    if (useParameters) {
        // The parameter grows with screen length, and the point lies at the
        // fraction s of the segment's screen length from P. When an end lies
        // behind the eye there is no screen length to measure; the fraction
        // in space stands in for it.
        const double pp = in.parameters[position];
        const double pq = in.parameters[position + 1];
        out.parameters.push_back(float(pp + (pq - pp) * (segment.whole() ? s : t)));
    }
    outputOpen = true;
}

void HiddenLineSplitter::Run::closeOutput(void)
{
    out.indices.push_back(-1);
    if (useParameters)
        out.parameters.push_back(-1.0f);
    outputOpen = false;
}

void HiddenLineSplitter::Run::endStrip(void)
{
    if (outputOpen)
        closeOutput();
    stripStart = true;
}
