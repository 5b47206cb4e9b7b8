// The gtest main for window tests: wx up on the (virtual) display for the whole run.
#include <gtest/gtest.h>

#include "support/wx_session.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return vantle::test::RunWithWx(argc, argv, [] { return RUN_ALL_TESTS(); });
}
