// Error rates of a verification test from its genuine and impostor scores:
// the FMR/FNMR trade-off over every threshold, the equal error rate, FNMR at
// a fixed FMR, and score histograms. A comparison is accepted when its score
// is at or above the threshold.
#ifndef RIDGESDK_BENCH_ACCURACY_METRICS_H
#define RIDGESDK_BENCH_ACCURACY_METRICS_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace ridge_eval {

struct OperatingPoint {
    double threshold; // accept score >= threshold
    double fmr;       // share of impostor scores accepted
    double fnmr;      // share of genuine scores rejected
};

// One point per distinct score, ascending, and one above every score
// (nothing accepted). Both lists must be non-empty.
inline std::vector<OperatingPoint> error_tradeoff(std::vector<double> genuine, std::vector<double> impostor)
{
    std::sort(genuine.begin(), genuine.end());
    std::sort(impostor.begin(), impostor.end());
    std::vector<double> thresholds = genuine;
    thresholds.insert(thresholds.end(), impostor.begin(), impostor.end());
    std::sort(thresholds.begin(), thresholds.end());
    thresholds.erase(std::unique(thresholds.begin(), thresholds.end()), thresholds.end());
    thresholds.push_back(std::numeric_limits<double>::infinity());

    std::vector<OperatingPoint> curve;
    size_t rejected_genuine = 0, rejected_impostor = 0;
    const double ng = static_cast<double>(genuine.size()), ni = static_cast<double>(impostor.size());
    for (double t : thresholds) {
        while (rejected_genuine < genuine.size() && genuine[rejected_genuine] < t)
            ++rejected_genuine;
        while (rejected_impostor < impostor.size() && impostor[rejected_impostor] < t)
            ++rejected_impostor;
        curve.push_back({t, (ni - static_cast<double>(rejected_impostor)) / ni,
                         static_cast<double>(rejected_genuine) / ng});
    }
    return curve;
}

struct EqualErrorRate {
    double rate;      // mean of FMR and FNMR where they are closest
    double threshold; // the threshold of that point
};

inline EqualErrorRate equal_error_rate(const std::vector<OperatingPoint> &curve)
{
    EqualErrorRate best{1.0, 0.0};
    double closest = std::numeric_limits<double>::infinity();
    for (const OperatingPoint &p : curve) {
        const double gap = std::fabs(p.fmr - p.fnmr);
        if (gap < closest) {
            closest = gap;
            best = {(p.fmr + p.fnmr) / 2.0, p.threshold};
        }
    }
    return best;
}

// The operating point with the lowest FNMR among the thresholds whose FMR
// does not exceed the target (of those, the lowest threshold); false when
// the impostor count cannot resolve the target (fewer than 1 / target
// impostor comparisons).
inline bool point_at_fmr(const std::vector<OperatingPoint> &curve, size_t impostor_count, double target,
                         OperatingPoint *point)
{
    if (static_cast<double>(impostor_count) * target < 1.0 - 1e-9)
        return false;
    // FMR falls and FNMR rises with the threshold: the first point at or
    // below the target is the one.
    for (const OperatingPoint &p : curve)
        if (p.fmr <= target + 1e-12) {
            *point = p;
            return true;
        }
    return false;
}

// FNMR of that point.
inline bool fnmr_at_fmr(const std::vector<OperatingPoint> &curve, size_t impostor_count, double target,
                        double *fnmr)
{
    OperatingPoint p{};
    if (!point_at_fmr(curve, impostor_count, target, &p))
        return false;
    *fnmr = p.fnmr;
    return true;
}

// Share of the scores in each bin [k * width, (k + 1) * width); scores at
// or beyond the last bin go into it.
inline std::vector<double> histogram(const std::vector<double> &scores, double width, int bins)
{
    std::vector<double> shares(static_cast<size_t>(bins), 0.0);
    if (scores.empty())
        return shares;
    for (double s : scores) {
        int k = static_cast<int>(std::floor(s / width));
        k = std::max(0, std::min(bins - 1, k));
        shares[static_cast<size_t>(k)] += 1.0;
    }
    for (double &v : shares)
        v /= static_cast<double>(scores.size());
    return shares;
}

// The standard normal quantile (inverse of the distribution function),
// by P. J. Acklam's rational approximation (relative error below 1.2e-9);
// the axes of a DET plot use it.
inline double normal_quantile(double p)
{
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                               1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                               6.680131188771972e+01,  -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                               -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    const double low = 0.02425;
    if (p <= 0.0)
        return -std::numeric_limits<double>::infinity();
    if (p >= 1.0)
        return std::numeric_limits<double>::infinity();
    if (p < low) {
        const double q = std::sqrt(-2 * std::log(p));
        return (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
               ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    }
    if (p > 1 - low)
        return -normal_quantile(1 - p);
    const double q = p - 0.5, r = q * q;
    return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
           (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
}

} // namespace ridge_eval

#endif
