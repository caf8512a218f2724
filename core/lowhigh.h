#pragma once
// The lowest and the highest of a run of numbers. A plain loop that keeps
// both compares one number at a time; eight lanes of each, merged at the
// end, let the compiler compare several at once.
#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

// n > 0; the values hold no NaN.
template <class T> std::pair<T, T> LowestAndHighest(const T* v, size_t n) {
    constexpr size_t kLanes = 8;
    std::array<T, kLanes> lo, hi;
    lo.fill(v[0]), hi.fill(v[0]);
    size_t k = 0;
    for (; k + kLanes <= n; k += kLanes)
        for (size_t j = 0; j < kLanes; ++j) {
            lo[j] = v[k + j] < lo[j] ? v[k + j] : lo[j];
            hi[j] = hi[j] < v[k + j] ? v[k + j] : hi[j];
        }
    T low = lo[0], high = hi[0];
    for (size_t j = 1; j < kLanes; ++j)
        low = std::min(low, lo[j]), high = std::max(high, hi[j]);
    for (; k < n; ++k)
        low = std::min(low, v[k]), high = std::max(high, v[k]);
    return {low, high};
}
