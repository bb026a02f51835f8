// Splitting line strips at the depth of the frame drawn so far.

#include "lines/HiddenLineSplitter.h"
#include "lines/DepthWalk.h"

#include <Inventor/errors/SoDebugError.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const char* const kWhere = "HiddenLineSplitter::split";

// A segment with one end behind the eye is walked only up to where its clip
// w has fallen to this fraction of the w at its other end. Closer to the eye
// plane the segment projects ever farther out, so nothing of it that could
// be seen is lost, and window positions stay finite.
const double kEyePlaneFraction = 1e-6;

// The piece of a segment P -> Q that is walked: P and Q on the screen, unless
// an end lies behind the eye and was moved towards the other; t0 and t1 are
// then where the piece begins and ends along P -> Q in object space.
struct Segment : WindowSegment {
    double t0 = 0.0;
    double t1 = 1.0;
    double length = 0.0;

    bool whole(void) const { return t0 == 0.0 && t1 == 1.0; }
    double objectParameter(double s) const { return t0 + (t1 - t0) * spaceParameter(s); }
};

} // namespace

// The working state of one split: projected coordinates, the output number
// of each input coordinate, and the two marks of the strip walk.
class HiddenLineSplitter::Run {
public:
    Run(const SplittingInput& lines, bool parameters, double maximalError, BlockDepthCache& depthCache,
        SplitLines& result)
        : in(lines), useParameters(parameters), step(maximalError), cache(depthCache),
          // The full viewport size scales the projection, halved exactly.
          mapping{depthCache.viewport(), depthCache.viewport().width * 0.5, depthCache.viewport().height * 0.5},
          // A vertex rounded onto the pixel just past the right or top side
          // lies on the side itself; its neighbours inside decide.
          walk(depthCache, DepthWalk::FAR_SIDES_INSIDE), out(result), projected(size_t(lines.coordinateCount)),
          outputNumber(size_t(lines.coordinateCount), -1)
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
    // Bisection stops at an interval of one pixel in x and in y.
    double bisect(const Segment& segment, double s0, bool state, double s1)
    {
        return walk.bisect(segment, s0, state, s1, 1.0);
    }
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
    const WindowMapping mapping;
    DepthWalk walk;
    SplitLines& out;
    std::vector<ProjectedVertex> projected;
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
    maximalError = samplingStep(maximalError, kMinimalStep, kWhere);

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

void HiddenLineSplitter::Run::projectReferenced(const SbMatrix& objectToClip)
{
    std::vector<char> referenced(projected.size(), 0);
    for (int32_t i = 0; i < in.indexCount; ++i)
        if (isVertex(i))
            referenced[size_t(in.indices[i])] = 1;
    for (size_t c = 0; c < projected.size(); ++c)
        if (referenced[c])
            projected[c] = mapping.project(in.coordinates[c], objectToClip);
}

void HiddenLineSplitter::Run::prepareRegion(void)
{
    // The pixels the tests can look at: samples and vertices at their
    // rounded positions, bisection steps at their truncated ones, all on the
    // window segments between the vertices.
    const DepthViewport& view = mapping.view;
    double lowX = std::numeric_limits<double>::max();
    double highX = std::numeric_limits<double>::lowest();
    double lowY = lowX;
    double highY = highX;
    bool behindEye = false;
    for (int32_t i = 0; i < in.indexCount; ++i) {
        if (!isVertex(i))
            continue;
        const ProjectedVertex& q = projected[size_t(in.indices[i])];
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
        cache.setRegion(view.x, double(view.x) + view.width - 1.0, view.y, double(view.y) + view.height - 1.0);
        return;
    }
    if (lowX <= highX)
        cache.setRegion(lowX, highX, lowY, highY);
}

void HiddenLineSplitter::Run::testVertices(void)
{
    for (ProjectedVertex& q : projected)
        if (q.window.onScreen)
            q.visible = walk.pointVisible(std::floor(q.window.x + 0.5), std::floor(q.window.y + 0.5), q.window.z);
}

bool HiddenLineSplitter::Run::makeSegment(int32_t p, int32_t q, Segment& segment) const
{
    const ProjectedVertex& a = projected[size_t(p)];
    const ProjectedVertex& b = projected[size_t(q)];
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
    const WindowPoint from = segment.t0 == 0.0 ? a.window : mapping.toWindow(start);
    const WindowPoint to = segment.t1 == 1.0 ? b.window : mapping.toWindow(end);
    if (!from.onScreen || !to.onScreen)
        return false;
    static_cast<WindowSegment&>(segment) = WindowSegment::between(from, start[3], to, end[3]);
    segment.length = segment.screenLength();
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

    samplesInViewport(segment, mapping.view, s, lastSample, firstTested, lastTested);
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
    const ProjectedVertex& p = projected[size_t(in.indices[position])];
    const ProjectedVertex& q = projected[size_t(in.indices[position + 1])];
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
            const bool visible = walk.sampleVisible(segment, t, DepthWalk::ROUNDED);
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
