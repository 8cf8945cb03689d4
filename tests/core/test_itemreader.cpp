// Comma-separated items, as the settings file and the read-me are read.
#include "core/itemreader.h"

#include <gtest/gtest.h>

using namespace cantora::core;
using V = std::vector<std::string>;

TEST(ItemReader, BareItemsLoseOuterBlanksQuotedOnesKeepEverything) {
    EXPECT_EQ(readItems("  a b  ,\tc\t"), (V{"a b", "c"}));
    EXPECT_EQ(readItems("\" a, b \" , c"), (V{" a, b ", "c"}));
    EXPECT_EQ(readItems("\"x\"junk,y"), (V{"x", "y"}));
    EXPECT_EQ(readItems("a,,b"), (V{"a", "", "b"}));
    EXPECT_EQ(readItems("a,"), (V{"a"}));
    EXPECT_EQ(readItems("\"open quote, never closed"), (V{"open quote, never closed"}));
    EXPECT_EQ(readItems(""), V{});
}

TEST(ItemReader, EveryKindOfLineEndEndsAnItemOnce) {
    EXPECT_EQ(readItems("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(readItems("last,bare\r\n"), (V{"last", "bare"}));
    EXPECT_EQ(readItems("x\r\n\r\ny"), (V{"x", "", "y"}));
    EXPECT_EQ(readLineItems("\"OK\",/p\r\nnext,line"), (V{"OK", "/p"}));
    EXPECT_EQ(readLineItems("\r\nnext"), V{});
    EXPECT_EQ(readLineItems("one"), (V{"one"}));
}
