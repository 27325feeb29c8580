// Float-to-integer conversions of the effects, truncating toward zero.
// A value the integer cannot hold (or NaN) gives the integer's most
// negative value, as the processor's own conversion does, instead of the
// undefined behaviour of a plain cast; callers clamp or mask the result.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

inline int32_t TruncToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// Truncated to a 64-bit integer of which only the low 32 bits are kept:
// the fixed-point steps wrap like the 32-bit registers they go into.
inline uint32_t TruncToLow32(double value) {
    if (!(value > -9223372036854775808.0 && value < 9223372036854775808.0)) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(value)));
}
