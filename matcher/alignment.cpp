// Correspondences, least-squares alignment and its fixed-point application.
#include "matcher/alignment.h"

#include "matcher/int32_arith.h"

#include <cmath>

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
        const Correspondence pair{base.records[k].index, live.records[m].index};
        // Insert in ascending base position (the base indices are distinct).
        int at = n;
        while (at > 0 && list->pairs[at - 1].base > pair.base) {
            list->pairs[at] = list->pairs[at - 1];
            --at;
        }
        list->pairs[at] = pair;
        ++n;
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

} // namespace ridge
