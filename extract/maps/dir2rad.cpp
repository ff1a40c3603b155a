// Direction-to-angle table.
#include "extract/maps/dir2rad.h"
#include "sdk/diagnostics.h"

#include <cmath>
#include <cstdio>
#include <new>

namespace ridge {

namespace {

// Rounds to the nearest integer, halves away from zero.
long long round_half_away(double v)
{
    return static_cast<long long>(v < 0.0 ? v - 0.5 : v + 0.5);
}

// cos/sin of the single-precision angle, kept to 14 fractional bits so the
// table is the same on every platform's libm.
float quantised(double v)
{
    const float f = static_cast<float>(v);
    return static_cast<float>(round_half_away(static_cast<double>(f) * 16384.0)) / 16384.0f;
}

} // namespace

int init_dir2rad(lfs::Dir2Rad &dir2rad, int ndirs)
{
    dir2rad = lfs::Dir2Rad{};
    if (ndirs <= 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dir2rad : malloc : dir2rad\n");
        return -10;
    }
    const size_t n = static_cast<size_t>(ndirs);
    try {
        dir2rad.cos.resize(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dir2rad : malloc : dir2rad->cos\n");
        return -11;
    }
    try {
        dir2rad.sin.resize(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dir2rad : malloc : dir2rad->sin\n");
        return -12;
    }
    try {
        dir2rad.ncos.resize(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dir2rad : malloc : dir2rad->ncos\n");
        return -11;
    }
    try {
        dir2rad.nsin.resize(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dir2rad : malloc : dir2rad->nsin\n");
        return -12;
    }
    dir2rad.ndirs = ndirs;

    const float step = lfs::TWO_PI_F / static_cast<float>(ndirs);
    for (size_t i = 0; i < n; ++i) {
        const float theta = static_cast<float>(i) * step;
        dir2rad.cos[i] = quantised(std::cos(static_cast<double>(theta)));
        dir2rad.sin[i] = quantised(std::sin(static_cast<double>(theta)));
        dir2rad.ncos[i] = static_cast<int>(round_half_away(static_cast<double>(dir2rad.cos[i]) * 65536.0));
        dir2rad.nsin[i] = static_cast<int>(round_half_away(static_cast<double>(dir2rad.sin[i]) * 65536.0));
    }
    return 0;
}

} // namespace ridge
