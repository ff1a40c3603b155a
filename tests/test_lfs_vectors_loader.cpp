#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

TEST(LfsVectors, ProjectCopiesLoad)
{
    auto folders = ridge_test::vector_folders();
    ASSERT_GE(folders.size(), 2u);
    for (const auto &f : folders) {
        const int iw = f.meta_int("iw"), ih = f.meta_int("ih");
        EXPECT_EQ(ridge_test::load_u8(f.file("image.u8")).size(), static_cast<size_t>(iw * ih)) << f.name;
        auto det = ridge_test::load_minutiae_tsv(f.file("min_detected.tsv"));
        EXPECT_GT(det.minutiae.num(), 100) << f.name;
        EXPECT_EQ(ridge_test::load_steps(f.file("steps.tsv")).size(), 10u) << f.name;
    }
}
