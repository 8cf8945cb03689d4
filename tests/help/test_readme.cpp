// How the read-me file is cut into printed lines (the items themselves are
// the core item reader's).
#include "help/readme.h"

#include <gtest/gtest.h>

using namespace cantora::help;

TEST(ReadmeItems, TextIsEachItemFollowedByCrLf) {
    EXPECT_EQ(readmeText("one, \"a, b\"\r\n\r\ntail"), "one\r\na, b\r\n\r\ntail\r\n");
    EXPECT_EQ(readmeText(""), "");
}
