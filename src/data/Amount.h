#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

// Amounts are 32-bit in units of 100 yen; sums of amounts read from a file can leave that range,
// so they are clamped to it instead of overflowing.
inline int32_t SaturatedAmount(long long value)
{
    return static_cast<int32_t>(std::clamp<long long>(value, std::numeric_limits<int32_t>::min(),
                                                      std::numeric_limits<int32_t>::max()));
}
