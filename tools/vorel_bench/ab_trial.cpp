// vorel_bench --ab's alternation and figures.
#include "tools/vorel_bench/ab_trial.h"

#include "tools/vorel_bench/bench_run.h"

namespace bench {

int abSetting(int frame, int order) { return (frame + order) & 1; }

AbMedians abMedians(const std::vector<double>& counted, int firstCounted, int order) {
    std::vector<double> a, b;
    for (size_t i = 0; i < counted.size(); ++i)
        (abSetting(firstCounted + int(i), order) ? b : a).push_back(counted[i]);
    return {medianOf(a), medianOf(b)};
}

double AbFigures::deltaMs() const {
    return 0.5 * ((order[0].b - order[0].a) + (order[1].b - order[1].a));
}

double AbFigures::meanA() const { return 0.5 * (order[0].a + order[1].a); }

double AbFigures::deltaPercent() const {
    const double a = meanA();
    return a > 0 ? 100.0 * deltaMs() / a : 0.0;
}

}  // namespace bench
