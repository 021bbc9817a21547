#include <gtest/gtest.h>

TEST(Reader, Builds) {
    SUCCEED();
}
