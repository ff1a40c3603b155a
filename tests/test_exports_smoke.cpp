#include "ridgesdk.h"

#include <gtest/gtest.h>

TEST(Copyright, SamePointerEveryCall)
{
    const char *a = Copyright();
    EXPECT_EQ(a, Copyright());
    EXPECT_NE(std::string(a).find("169"), std::string::npos);
}
