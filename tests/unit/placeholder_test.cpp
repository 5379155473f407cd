#include <gtest/gtest.h>
TEST(X,Y){EXPECT_TRUE(true);}
