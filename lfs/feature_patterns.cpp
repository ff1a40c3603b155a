// The minutia feature patterns and the pair-by-pair matching against them.
#include "lfs/feature_patterns.h"

namespace lfs {

int match_1st_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs)
{
    *nposs = 0;
    for (int i = 0; i < NFEATURES; i++) {
        if (p1 == feature_patterns[i].first[0] && p2 == feature_patterns[i].first[1])
            possible[(*nposs)++] = i;
    }
    return *nposs;
}

int match_2nd_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs)
{
    const int tnposs = *nposs;
    *nposs = 0;
    // A second pair always changes value across the scan rows.
    if (p1 == p2)
        return *nposs;
    for (int i = 0; i < tnposs; i++) {
        const FeaturePattern &f = feature_patterns[possible[i]];
        if (p1 == f.second[0] && p2 == f.second[1])
            possible[(*nposs)++] = possible[i];
    }
    return *nposs;
}

int match_3rd_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs)
{
    const int tnposs = *nposs;
    *nposs = 0;
    for (int i = 0; i < tnposs; i++) {
        const FeaturePattern &f = feature_patterns[possible[i]];
        if (p1 == f.third[0] && p2 == f.third[1])
            possible[(*nposs)++] = possible[i];
    }
    return *nposs;
}

} // namespace lfs
