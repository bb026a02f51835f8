// NOT WRITTEN YET
#include <gtest/gtest.h>
