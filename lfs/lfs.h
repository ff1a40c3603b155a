// Shared records and constants of the LFS minutiae detector.
//
// Routine names follow NBIS's LFS library. Working storage is owned by
// standard containers, so every path releases what it took. Routines return
// 0 (or a documented positive result) on success and a negative code of
// their own on failure, after printing "ERROR : <routine> : <what>\n" to
// standard error.
#ifndef RIDGESDK_LFS_LFS_H
#define RIDGESDK_LFS_LFS_H

#include <cstddef>
#include <vector>

namespace lfs {

// Results shared by the contour and search routines.
constexpr int LFS_FALSE = 0;
constexpr int LFS_TRUE = 1;
constexpr int FOUND = LFS_TRUE;
constexpr int NOT_FOUND = LFS_FALSE;
constexpr int IGNORE = 2;
constexpr int LOOP_FOUND = 3;
constexpr int INCOMPLETE = 4;

constexpr int INVALID_DIR = -1;
constexpr int SCAN_CLOCKWISE = 0;
constexpr int SCAN_COUNTER_CLOCKWISE = 1;

// Minutia types of the detector record.
constexpr int BIFURCATION = 0;
constexpr int RIDGE_ENDING = 1;
constexpr int DISAPPEARING = 0;
constexpr int APPEARING = 1;
constexpr int LOOP_ID = 10;

constexpr float HIGH_RELIABILITY = 0.99f;
constexpr float MEDIUM_RELIABILITY = 0.50f;
constexpr int MAX_MINUTIAE = 1000;

// Rounding of reals to pixels: first to a multiple of 1/16384, then to an
// integer, both halves away from zero.
constexpr double TRUNC_SCALE = 16384.0;
int sround(double v);          // half away from zero
double trunc_dbl_precision(double v, double scale);
int round_trunc(double v);     // sround(trunc_dbl_precision(v, TRUNC_SCALE))

// Single-precision pi as the detector uses it.
constexpr float PI_F = 3.1415927f;
constexpr float TWO_PI_F = 6.2831855f;

// The detector's minutia record. The reliability is single precision and
// `angle` (radians, counter-clockwise, y up) is written by the angle
// refinement after detection.
struct Minutia {
    int x = 0, y = 0;        // feature pixel
    int ex = 0, ey = 0;      // edge pixel: 4-neighbour of opposite value
    int direction = 0;       // 0..31, 11.25 degrees, 0 up, clockwise
    float reliability = 0.0f;
    int type = 0;            // RIDGE_ENDING or BIFURCATION
    int appearing = 0;
    int feature_id = 0;
    float angle = 0.0f;
};

class CandidateIndex;

// Minutiae list in detection order; removing an entry moves later ones up.
struct Minutiae {
    int alloc = 0;
    std::vector<Minutia> list;
    // Set while a detection fills the list (lfs/candidate_index.h): the
    // update routines then find look-alikes through it, and entries they
    // remove stay in `list`, marked, until the detection ends.
    CandidateIndex *index = nullptr;
    int num() const { return static_cast<int>(list.size()); }
};

int alloc_minutiae(Minutiae &minutiae, int max_minutiae);
int realloc_minutiae(Minutiae &minutiae, int incr_minutiae);
int create_minutia(Minutia &out, int x, int y, int ex, int ey, int direction, float reliability,
                   int type, int appearing, int feature_id);
int remove_minutia(int index, Minutiae &minutiae);
int sort_minutiae_y_x(Minutiae &minutiae, int iw, int ih);

// Judges every minutia in list order and drops those judged false in one
// pass, so that the others keep their order without the list's tail moving
// once per removal: the result of remove_minutia on each in turn. judge
// (given the minutia, which it may adjust) returns 1 to drop it, 0 to keep
// it, or a negative code to stop; the minutiae not judged yet then stay
// behind the kept ones, and the code is returned.
template <class Judge> int drop_minutiae_if(Minutiae &minutiae, Judge judge)
{
    std::vector<Minutia> &list = minutiae.list;
    std::size_t kept = 0, i = 0;
    int ret = 0;
    for (; i < list.size(); ++i) {
        ret = judge(list[i]);
        if (ret < 0)
            break;
        if (ret == 0)
            list[kept++] = list[i];
    }
    for (; i < list.size(); ++i)
        list[kept++] = list[i];
    list.resize(kept);
    return ret < 0 ? ret : 0;
}

// Direction-to-angle table: floating values and their 16.16 fixed-point
// companions used by the neighbour averaging.
struct Dir2Rad {
    int ndirs = 0;
    std::vector<float> cos, sin;
    std::vector<int> ncos, nsin;
};

// Integer DFT wave tables: the first quarter (6 entries for 24 samples) of
// each wave's cosine and sine, scaled by 1024.
struct DftWave {
    std::vector<int> cos, sin;
};
struct DftWaves {
    int nwaves = 0;
    int wavelen = 0;
    std::vector<DftWave> waves;
};

// Rotated sampling grids: per direction, grid_w*grid_h pixel offsets
// (dx + dy*padded_width) relative to the grid origin or centre.
constexpr int RELATIVE2ORIGIN = 0;
constexpr int RELATIVE2CENTER = 1;
struct RotGrids {
    int pad = 0;
    int relative2 = RELATIVE2ORIGIN;
    float start_angle = 0.0f;
    int ngrids = 0;
    int grid_w = 0;
    int grid_h = 0;
    std::vector<std::vector<int>> grids;
};

// The four block maps of the map stage, mw x mh cells, row-major.
struct BlockMaps {
    std::vector<int> direction_map;
    std::vector<int> low_contrast_map;
    std::vector<int> low_flow_map;
    std::vector<int> high_curve_map;
    int mw = 0;
    int mh = 0;
};

// A traced contour: feature pixels and their edge pixels.
struct Contour {
    std::vector<int> x, y, ex, ey;
    int num() const { return static_cast<int>(x.size()); }
};

} // namespace lfs

#endif
