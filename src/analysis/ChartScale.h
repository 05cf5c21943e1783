#pragma once

#include <array>
#include <cstdint>

// The step sizes a value axis is divided by, smallest first: the first step that divides the
// axis into at most ten parts is taken. Plain integers, so that code without a painter can scale
// an axis too.
namespace chart {

inline constexpr std::array<int32_t, 23> kScaleSteps
        = {1,    2,    5,    10,    25,    50,    75,    100,    250,    500,    750,   1000,
           2500, 5000, 7500, 10000, 25000, 50000, 75000, 100000, 250000, 500000, 750000};

// An axis is divided into at most this many steps.
inline constexpr int32_t kMaxStepsPerAxis = 10;

} // namespace chart
