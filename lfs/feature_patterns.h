// The ten pixel-pair patterns that mark a minutia along a scan. A pattern is
// three successive pairs (first row/column, second row/column); its second
// pair always holds two different values.
#ifndef RIDGESDK_LFS_FEATURE_PATTERNS_H
#define RIDGESDK_LFS_FEATURE_PATTERNS_H

namespace lfs {

constexpr int NFEATURES = 10;

struct FeaturePattern {
    int type;
    int appearing;
    int first[2];
    int second[2];
    int third[2];
};

extern const FeaturePattern feature_patterns[NFEATURES];

// Each narrows the list of possible patterns with the next scan pair and
// returns how many remain.
int match_1st_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs);
int match_2nd_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs);
int match_3rd_pair(unsigned char p1, unsigned char p2, int *possible, int *nposs);

} // namespace lfs

#endif
