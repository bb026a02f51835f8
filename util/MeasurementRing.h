#ifndef QUILLMAP_UTIL_MEASUREMENTRING_H
#define QUILLMAP_UTIL_MEASUREMENTRING_H

// The running average of the stopwatch group: the last few measurements in a
// ring, the oldest overwritten once the ring is full.

#include <cstddef>
#include <cstdint>
#include <vector>

class MeasurementRing {
public:
    // A ring of `length` zeros with nothing stored; a length below 1 counts as 1.
    explicit MeasurementRing(int32_t length = 20);

    // Room for this many measurements.
    int32_t length(void) const { return int32_t(values.size()); }
    // Measurements stored, at most length().
    int32_t count(void) const { return stored; }

    // Starts over with `length` zeros (at least one) and nothing stored.
    void reset(int32_t length);
    // Stores `value` in place of the oldest measurement once the ring is
    // full, and returns average().
    double add(double value);
    // The mean of the stored measurements; 0 while there is none.
    double average(void) const;

private:
    std::vector<double> values;
    int32_t next = 0;
    int32_t stored = 0;
};

#endif // QUILLMAP_UTIL_MEASUREMENTRING_H
