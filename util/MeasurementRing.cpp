// The stopwatch's ring of recent measurements.

#include "util/MeasurementRing.h"

MeasurementRing::MeasurementRing(int32_t length)
{
    reset(length);
}

void MeasurementRing::reset(int32_t length)
{
    values.assign(size_t(length < 1 ? 1 : length), 0.0);
    next = 0;
    stored = 0;
}

double MeasurementRing::add(double value)
{
    values[size_t(next)] = value;
    next = (next + 1) % length();
    if (stored < length())
        ++stored;
    return average();
}

double MeasurementRing::average(void) const
{
    if (stored == 0)
        return 0.0;
    // The stored ones are the first `stored` slots until the ring is full,
    // and all of them afterwards.
    double sum = 0.0;
    for (int32_t i = 0; i < stored; ++i)
        sum += values[size_t(i)];
    return sum / stored;
}
