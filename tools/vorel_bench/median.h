// The median of a set of times (the mean of the middle two for an even count; 0 for none).
#pragma once

#include <algorithm>
#include <vector>

namespace bench {

inline double medianOf(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace bench
