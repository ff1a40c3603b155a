// Angle refinement: the bisector of the sharpest opening of the centred
// contour around a minutia, falling back on the detector direction.
#include "extract/minutiae/angle_refinement.h"

#include "extract/detector_params.h"
#include "lfs/contour.h"

#include <cmath>

namespace ridge {

namespace {

// Contours shorter than this are not trusted.
constexpr int kMinContourPoints = 13;
// Pairs nearest the middle point are too close to give a stable opening.
constexpr int kInnerPairsSkipped = 5;

float wrap_angle(float a)
{
    return std::fmod(a + lfs::TWO_PI_F, lfs::TWO_PI_F);
}

// Bearing of (qx, qy) seen from (x, y), y up, in [0, 2pi).
float bearing(int x, int y, int qx, int qy)
{
    return wrap_angle(std::atan2(static_cast<float>(y - qy), static_cast<float>(qx - x)));
}

// Opening between the two bearings on the circle, rounded to 1/16384.
float opening(float a, float b)
{
    float delta = std::fabs(b - a);
    if (lfs::TWO_PI_F - delta < delta)
        delta = lfs::TWO_PI_F - delta;
    return static_cast<float>(lfs::trunc_dbl_precision(delta, lfs::TRUNC_SCALE));
}

// The contour-based angle; false when the contour gives none.
bool contour_angle(float &angle, const lfs::Minutia &m, const unsigned char *bdata, int iw, int ih)
{
    const int half = DetectorParams.high_curve_half_contour;
    lfs::Contour contour;
    const int ret = lfs::get_centered_contour(contour, half, m.x, m.y, m.ex, m.ey, bdata, iw, ih);
    if (ret != 0)
        return false;
    const int n = contour.num();
    if (n < kMinContourPoints)
        return false;
    const size_t mid = static_cast<size_t>(n / 2);
    if (contour.x[mid] != m.x || contour.y[mid] != m.y)
        return false;

    float best = lfs::PI_F;
    float candidate = 0.0f;
    for (int k = 0; k < n / 2 - kInnerPairsSkipped; ++k) {
        const size_t a = static_cast<size_t>(k);
        const size_t b = static_cast<size_t>(n - 1 - k);
        const float delta = opening(bearing(m.x, m.y, contour.x[a], contour.y[a]),
                                    bearing(m.x, m.y, contour.x[b], contour.y[b]));
        if (delta < best) {
            best = delta;
            // Bisector: from the minutia towards the midpoint of A and B.
            candidate = wrap_angle(std::atan2(static_cast<float>(2 * m.y - contour.y[a] - contour.y[b]),
                                              static_cast<float>(contour.x[a] + contour.x[b] - 2 * m.x)));
        }
    }
    if (!(best < DetectorParams.max_high_curve_theta))
        return false;
    angle = candidate;
    return true;
}

} // namespace

float direction_angle(int direction)
{
    const int ndirs = DetectorParams.num_directions;
    const int steps = ((ndirs / 2 - direction + 2 * ndirs) % (2 * ndirs) + 2 * ndirs) % (2 * ndirs);
    return static_cast<float>(steps) * (lfs::PI_F / static_cast<float>(ndirs));
}

void refine_minutia_angles(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih)
{
    for (lfs::Minutia &m : minutiae.list) {
        float angle = 0.0f;
        if (!contour_angle(angle, m, bdata, iw, ih))
            angle = direction_angle(m.direction);
        if (angle > lfs::TWO_PI_F)
            angle -= lfs::TWO_PI_F;
        m.angle = angle;
    }
}

} // namespace ridge
