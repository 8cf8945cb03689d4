#include "core/textcodec.h"

#include <gtest/gtest.h>

using namespace cantora::core;

TEST(TextCodec, RecognisesUtf8AndRejectsMalformedSequences) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("perch\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xA4"));
    EXPECT_FALSE(isValidUtf8("perch\xE9"));        // CP1252 e-acute
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate half
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));         // cut short
}

TEST(TextCodec, ReadsCp1252WhenTheBytesAreNotUtf8) {
    EXPECT_EQ(toUtf8("perch\xE9"), "perch\xC3\xA9");
    EXPECT_EQ(toUtf8("\x80 \x93x\x94 \x9F"), "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC5\xB8");
    EXPECT_EQ(toUtf8("gi\xC3\xA0"), "gi\xC3\xA0"); // already UTF-8: unchanged
    // Forced CP1252 reads even bytes that would pass as UTF-8.
    EXPECT_EQ(cp1252ToUtf8("\xC3\xA0"), "\xC3\x83\xC2\xA0");
}

TEST(TextCodec, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    std::string missing;
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all), &missing), all);
    EXPECT_EQ(missing, "");
}

TEST(TextCodec, WritingListsWhatCp1252CannotHold) {
    std::string missing;
    EXPECT_EQ(utf8ToCp1252("caf\xC3\xA9 \xE2\x82\xAC \xD0\x96\xD0\x96 \xE2\x99\xAA", &missing), "caf\xE9 \x80 ?? ?");
    EXPECT_EQ(missing, "\xD0\x96\xE2\x99\xAA");
    EXPECT_EQ(utf8ToCp1252("a\xFF" "b", &missing), "a?b"); // stray byte
    EXPECT_EQ(utf8ToCp1252("ok"), "ok");
}
