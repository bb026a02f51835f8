// Test entry point: registers the library with Coin before any test runs.

#include <gtest/gtest.h>

#include "Quillmap.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    Quillmap::init();
    return RUN_ALL_TESTS();
}
