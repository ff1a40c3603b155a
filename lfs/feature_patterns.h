// The ten pixel-pair patterns that mark a minutia along a scan. A pattern is
// three successive pairs (first row/column, second row/column); its second
// pair always holds two different values.
#ifndef RIDGESDK_LFS_FEATURE_PATTERNS_H
#define RIDGESDK_LFS_FEATURE_PATTERNS_H

#include "lfs/lfs.h"

namespace lfs {

constexpr int NFEATURES = 10;

struct FeaturePattern {
    int type;
    int appearing;
    int first[2];
    int second[2];
    int third[2];
};

inline constexpr FeaturePattern feature_patterns[NFEATURES] = {
    {RIDGE_ENDING, APPEARING, {0, 0}, {0, 1}, {0, 0}},
    {RIDGE_ENDING, DISAPPEARING, {0, 0}, {1, 0}, {0, 0}},
    {BIFURCATION, DISAPPEARING, {1, 1}, {0, 1}, {1, 1}},
    {BIFURCATION, APPEARING, {1, 1}, {1, 0}, {1, 1}},
    {BIFURCATION, DISAPPEARING, {1, 0}, {0, 1}, {1, 1}},
    {BIFURCATION, DISAPPEARING, {1, 1}, {0, 1}, {1, 0}},
    {BIFURCATION, APPEARING, {1, 1}, {1, 0}, {0, 1}},
    {BIFURCATION, APPEARING, {0, 1}, {1, 0}, {1, 1}},
    {BIFURCATION, DISAPPEARING, {1, 0}, {0, 1}, {1, 0}},
    {BIFURCATION, APPEARING, {0, 1}, {1, 0}, {0, 1}},
};

// Each narrows the list of possible patterns with the next scan pair and
// returns how many remain.
int match_1st_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs);
int match_2nd_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs);
int match_3rd_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs);

// The same matching as bit sets (bit i = pattern i), for the scan's inner
// loop: the possible patterns after three pairs are
// first_pair_mask & second_pair_mask & third_pair_mask, and the lowest set
// bit is the pattern the list matching above reports first.
namespace pattern_masks {

struct Table {
    unsigned first[4], second[4], third[4];
};

constexpr Table build()
{
    Table t{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    for (int i = 0; i < NFEATURES; i++) {
        const FeaturePattern &f = feature_patterns[i];
        t.first[f.first[0] * 2 + f.first[1]] |= 1u << i;
        t.second[f.second[0] * 2 + f.second[1]] |= 1u << i;
        t.third[f.third[0] * 2 + f.third[1]] |= 1u << i;
    }
    // A second pair of equal values matches nothing.
    t.second[0] = t.second[3] = 0;
    return t;
}

inline constexpr Table table = build();

// Pixels other than 0 and 1 match no pattern.
inline unsigned lookup(const unsigned (&t)[4], unsigned char p1, unsigned char p2)
{
    return (p1 | p2) > 1 ? 0u : t[p1 * 2 + p2];
}

} // namespace pattern_masks

inline unsigned first_pair_mask(unsigned char p1, unsigned char p2)
{
    return pattern_masks::lookup(pattern_masks::table.first, p1, p2);
}
inline unsigned second_pair_mask(unsigned char p1, unsigned char p2)
{
    return pattern_masks::lookup(pattern_masks::table.second, p1, p2);
}
inline unsigned third_pair_mask(unsigned char p1, unsigned char p2)
{
    return pattern_masks::lookup(pattern_masks::table.third, p1, p2);
}

} // namespace lfs

#endif
