#ifndef QUILLMAP_TESTS_FUZZINPUT_H
#define QUILLMAP_TESTS_FUZZINPUT_H

// Fuzzer bytes read as the values the harnesses feed the library. Each value
// takes one tag byte, so that a mutation of one byte changes one value; most
// tags give ordinary values (small grid coordinates that coincide often,
// indices in range), the rest give what no well-behaved caller passes: NaN,
// infinities, huge and denormal numbers, any int32. Past the end every read
// gives 0.

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : at(data), end(data + size) {}

    uint8_t byte(void) { return at < end ? *at++ : 0; }

    uint32_t u32(void)
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        return v;
    }

    int32_t i32(void)
    {
        const uint32_t u = u32();
        int32_t v;
        std::memcpy(&v, &u, sizeof v);
        return v;
    }

    // Any bit pattern, signalling NaNs included.
    float rawFloat(void)
    {
        const uint32_t u = u32();
        float v;
        std::memcpy(&v, &u, sizeof v);
        return v;
    }

    // 0 .. count - 1 from one byte (count at most 256).
    uint32_t below(uint32_t count) { return count == 0 ? 0 : byte() % count; }

    // Mostly a multiple of 1/4 in -30 .. 28, else one of the values that
    // break careless arithmetic.
    float coordinate(void)
    {
        const uint8_t t = byte();
        if (t < 0xE8)
            return float(int(t) - 120) * 0.25f;
        switch (t - 0xE8) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return std::numeric_limits<float>::infinity();
        case 2: return -std::numeric_limits<float>::infinity();
        case 3: return FLT_MAX;
        case 4: return -FLT_MAX;
        case 5: return 1e30f;
        case 6: return -1e30f;
        case 7: return 1e-40f; // denormal
        case 8: return -0.0f;
        case 9: return FLT_MIN;
        case 10: return 1e-7f;
        case 11: return 3e19f; // its square still fits a float, its cube does not
        default: return rawFloat();
        }
    }

    // Mostly an index below count, else -1, -2, count itself, the int32
    // extremes or any int32.
    int32_t index(int32_t count)
    {
        const uint8_t t = byte();
        if (t < 0xF8)
            return count > 0 ? int32_t(t % uint32_t(count)) : 0;
        switch (t - 0xF8) {
        case 0: return -1;
        case 1: return -2;
        case 2: return count;
        case 3: return std::numeric_limits<int32_t>::max();
        case 4: return std::numeric_limits<int32_t>::min();
        default: return i32();
        }
    }

    // Mostly 0 .. 15, else negative, huge or any int32.
    int32_t length(void)
    {
        const uint8_t t = byte();
        if (t < 0xF0)
            return int32_t(t % 16);
        switch (t - 0xF0) {
        case 0: return -1;
        case 1: return -3;
        case 2: return std::numeric_limits<int32_t>::max();
        case 3: return std::numeric_limits<int32_t>::min();
        case 4: return 1 << 20;
        default: return i32();
        }
    }

private:
    const uint8_t* at;
    const uint8_t* end;
};

#endif // QUILLMAP_TESTS_FUZZINPUT_H
