// How the read-me file is cut into printed lines.
#include "help/readme.h"

#include <gtest/gtest.h>

using namespace cantora::help;
using V = std::vector<std::string>;

TEST(ReadmeItems, CommasAndLineEndsSplitQuotesProtect) {
    EXPECT_EQ(readmeItems("one, two"), (V{"one", "two"}));
    EXPECT_EQ(readmeItems("\"a, b\",c\r\nd\n"), (V{"a, b", "c", "d"}));
    EXPECT_EQ(readmeItems("   lead\r\n\r\ntail"), (V{"lead", "", "tail"}));
    EXPECT_EQ(readmeItems("\"open quote, never closed"), (V{"open quote, never closed"}));
    EXPECT_EQ(readmeItems(""), V{});
}

TEST(ReadmeItems, TextIsEachItemFollowedByCrLf) {
    EXPECT_EQ(readmeText("one, two"), "one\r\ntwo\r\n");
    EXPECT_EQ(readmeText(""), "");
}
