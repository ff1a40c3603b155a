// Correspondences, least-squares alignment and its fixed-point application.
#include "matcher/alignment.h"

#include "matcher/int32_arith.h"

#include <cmath>
#include <cstring>
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define RIDGE_AVX2_ALIGNMENT 1
#include <immintrin.h>
#endif

namespace ridge {

namespace {

constexpr double kDegreesPerRadian = 57.2957763671875; // single-precision 180/pi

} // namespace

void collectCorrespondences(const Neighbourhood &base, const Neighbourhood &live,
                            const NeighbourMatch &match, int i, int j, CorrespondenceList *list)
{
    int n = 0;
    for (int k = 0; k < kNeighbourCount; ++k) {
        const int m = match.live_of_base[k];
        if (m < 0)
            continue;
        insertByBase(list, n++, Correspondence{base.records[k].index, live.records[m].index});
    }
    list->pairs[n++] = Correspondence{i, j};
    list->count = n;
}

bool estimateAlignment(const CorrespondenceList &list, const RawMinutia *base,
                       const RawMinutia *live, Alignment *alignment)
{
    int32_t sbx = 0, sby = 0, slx = 0, sly = 0, l2 = 0, d = 0, c = 0;
    for (int p = 0; p < list.count; ++p) {
        const int32_t bx = base[list.pairs[p].base].x;
        const int32_t by = base[list.pairs[p].base].y;
        const int32_t lx = live[list.pairs[p].live].x;
        const int32_t ly = live[list.pairs[p].live].y;
        sbx = add32(sbx, bx);
        sby = add32(sby, by);
        slx = add32(slx, lx);
        sly = add32(sly, ly);
        l2 = add32(l2, add32(mul32(lx, lx), mul32(ly, ly)));
        d = add32(d, add32(mul32(bx, lx), mul32(by, ly)));
        c = add32(c, sub32(mul32(by, lx), mul32(bx, ly)));
    }
    const int32_t n = list.count;
    const int32_t e = sub32(sub32(mul32(n, l2), mul32(slx, slx)), mul32(sly, sly));

    const int32_t tx_numerator = add32(sub32(mul32(l2, sbx), mul32(d, slx)), mul32(c, sly));
    const int32_t ty_numerator = sub32(sub32(mul32(l2, sby), mul32(d, sly)), mul32(c, slx));
    int32_t tx = 0, ty = 0;
    if (!divide32(tx_numerator, e, &tx) || !divide32(ty_numerator, e, &ty))
        return false;

    const int32_t p_sum = sub32(sub32(mul32(n, d), mul32(sby, sly)), mul32(sbx, slx));
    const int32_t q_sum = add32(sub32(mul32(n, c), mul32(sby, slx)), mul32(sbx, sly));
    const float ef = static_cast<float>(e);
    const float a = static_cast<float>(static_cast<double>(p_sum) / static_cast<double>(ef));
    const float b = static_cast<float>(static_cast<double>(q_sum) / static_cast<double>(ef));
    const float degrees = static_cast<float>(
        std::atan2(static_cast<double>(b), static_cast<double>(a)) * kDegreesPerRadian);

    alignment->c = truncate_to_int32(static_cast<double>(a) * 256.0);
    alignment->s = truncate_to_int32(static_cast<double>(b) * 256.0);
    alignment->rotation = static_cast<int32_t>(degrees);
    alignment->tx256 = shift_left_8(tx);
    alignment->ty256 = shift_left_8(ty);
    return true;
}

void applyAlignment(const RawMinutia *live, int count, const Alignment &alignment,
                    RawMinutia *aligned)
{
    for (int j = 0; j < count; ++j) {
        const RawMinutia &m = live[j];
        RawMinutia &out = aligned[j];
        out.type = m.type;
        out.x = shift_right_8(
            add32(sub32(mul32(m.x, alignment.c), mul32(m.y, alignment.s)), alignment.tx256));
        out.y = shift_right_8(
            add32(add32(mul32(m.x, alignment.s), mul32(m.y, alignment.c)), alignment.ty256));
        int32_t angle = sub32(m.angle, alignment.rotation) % 360;
        if (angle < 0)
            angle += 360;
        out.angle = angle;
    }
}

bool applyAlignmentWithinLimitByMinutia(const RawMinutia *live, int count, const Alignment &alignment,
                                        RawMinutia *aligned)
{
    applyAlignment(live, count, alignment, aligned);
    for (int j = 0; j < count; ++j)
        if (aligned[j].x < -kAlignedCoordinateLimit || aligned[j].x > kAlignedCoordinateLimit ||
            aligned[j].y < -kAlignedCoordinateLimit || aligned[j].y > kAlignedCoordinateLimit)
            return false;
    return true;
}

#ifdef RIDGE_AVX2_ALIGNMENT
namespace {

// Two minutiae (type, x, y, angle) per vector. x and y both come from the
// broadcast x and y of their minutia: x * (c, s) + y * (-s, c) + (tx, ty),
// in wrapping 32-bit products and sums, then an arithmetic shift; the
// angle less the rotation, folded into 0..359 (it lies in -179..539).
__attribute__((target("avx2"))) bool apply_avx2(const RawMinutia *live, int count, const Alignment &a,
                                                RawMinutia *aligned)
{
    const __m256i by_x = _mm256_setr_epi32(0, a.c, a.s, 0, 0, a.c, a.s, 0);
    const __m256i by_y = _mm256_setr_epi32(0, sub32(0, a.s), a.c, 0, 0, sub32(0, a.s), a.c, 0);
    const __m256i shift = _mm256_setr_epi32(0, a.tx256, a.ty256, 0, 0, a.tx256, a.ty256, 0);
    const __m256i rotation = _mm256_setr_epi32(0, 0, 0, a.rotation, 0, 0, 0, a.rotation);
    const __m256i full = _mm256_set1_epi32(360), last = _mm256_set1_epi32(359), zero = _mm256_setzero_si256();
    __m256i low = _mm256_set1_epi32(-kAlignedCoordinateLimit), high = _mm256_set1_epi32(kAlignedCoordinateLimit);
    __m256i lowest = high, highest = low;
    int j = 0;
    for (; j + 2 <= count; j += 2) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(live + j));
        const __m256i xs = _mm256_shuffle_epi32(v, _MM_SHUFFLE(1, 1, 1, 1));
        const __m256i ys = _mm256_shuffle_epi32(v, _MM_SHUFFLE(2, 2, 2, 2));
        const __m256i mapped = _mm256_srai_epi32(
            _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(xs, by_x), _mm256_mullo_epi32(ys, by_y)), shift), 8);
        __m256i angle = _mm256_sub_epi32(v, rotation);
        angle = _mm256_add_epi32(angle, _mm256_and_si256(_mm256_cmpgt_epi32(zero, angle), full));
        angle = _mm256_sub_epi32(angle, _mm256_and_si256(_mm256_cmpgt_epi32(angle, last), full));
        // Lanes: type from v, x and y mapped, the angle folded.
        const __m256i out = _mm256_blend_epi32(_mm256_blend_epi32(v, mapped, 0x66), angle, 0x88);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(aligned + j), out);
        lowest = _mm256_min_epi32(lowest, _mm256_blend_epi32(high, mapped, 0x66));
        highest = _mm256_max_epi32(highest, _mm256_blend_epi32(low, mapped, 0x66));
    }
    const __m256i outside = _mm256_or_si256(_mm256_cmpgt_epi32(low, lowest), _mm256_cmpgt_epi32(highest, high));
    bool within = _mm256_testz_si256(outside, outside) != 0;
    if (j < count)
        within = applyAlignmentWithinLimitByMinutia(live + j, count - j, a, aligned + j) && within;
    return within;
}

using ApplyFunction = bool (*)(const RawMinutia *, int, const Alignment &, RawMinutia *);

ApplyFunction choose_apply()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? apply_avx2 : applyAlignmentWithinLimitByMinutia;
}

} // namespace

bool applyAlignmentWithinLimit(const RawMinutia *live, int count, const Alignment &alignment, RawMinutia *aligned)
{
    static const ApplyFunction apply = choose_apply();
    return apply(live, count, alignment, aligned);
}
#else
bool applyAlignmentWithinLimit(const RawMinutia *live, int count, const Alignment &alignment, RawMinutia *aligned)
{
    return applyAlignmentWithinLimitByMinutia(live, count, alignment, aligned);
}
#endif

} // namespace ridge
