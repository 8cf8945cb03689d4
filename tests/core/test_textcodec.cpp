#include "core/textcodec.h"

#include <gtest/gtest.h>

using namespace cantora::core;

TEST(TextCodec, RecognisesUtf8AndRejectsMalformedSequences) {
    for (auto [text, valid] : {std::pair{"", true},
                               {"perch\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xA4", true},
                               {"perch\xE9", false},        // CP1252 e-acute
                               {"\xC0\xAF", false},         // overlong '/'
                               {"\xED\xA0\x80", false},     // surrogate half
                               {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF, the last code point
                               {"\xF4\x90\x80\x80", false}, // U+110000, one past it
                               {"\xEF\xBF\xBF", true},      // U+FFFF
                               {"\xC2\x80", true},          // U+0080, the shortest two-byte form
                               {"\xC1\xBF", false},         // U+007F in two bytes: overlong
                               {"\xC3\xE9", false},         // CP1252 A-tilde e-acute: no continuation byte
                               {"\xE2\x82", false}})        // cut short
        EXPECT_EQ(isValidUtf8(text), valid) << text;
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
    EXPECT_EQ(utf8ToCp1252("a\xFF"
                           "b",
                           &missing),
              "a?b"); // stray byte
}

TEST(TextCodec, WritingKeepsCp1252WhereItFitsAndUtf8Elsewhere) {
    bool utf8 = true;
    EXPECT_EQ(encodeForWriting("Gr\xC3\xBC\xC3\x9F Gott \xE2\x82\xAC", &utf8), "Gr\xFC\xDF Gott \x80");
    EXPECT_FALSE(utf8);
    // One character CP1252 lacks makes the whole text UTF-8: no '?' anywhere.
    const std::string vietnamese = "Ti\xE1\xBA\xBFng Vi\xE1\xBB\x87t";
    EXPECT_EQ(encodeForWriting(vietnamese, &utf8), vietnamese);
    EXPECT_TRUE(utf8);
    EXPECT_EQ(encodeForWriting("", &utf8), "");
    EXPECT_FALSE(utf8);
}

TEST(TextCodec, CutsNeverSplitACharacter) {
    const std::string s = "ab\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8E\xA4"; // a b é 日 🎤: 2+2+3+4 bytes
    for (auto [limit, kept] : {std::pair{11, 11}, {10, 7}, {7, 7}, {6, 4}, {3, 2}, {0, 0}})
        EXPECT_EQ(cutAtCharacter(s, limit), s.substr(0, kept)) << limit;
}

TEST(TextCodec, NamedEncodingsConvertOrSayWhyNot) {
    std::string why;
    // "中文" in GBK, "日本" in Shift-JIS.
    EXPECT_EQ(convertToUtf8("\xD6\xD0\xCE\xC4", "GBK", &why), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(convertToUtf8("\x93\xFA\x96\x7B", "SHIFT_JIS", &why), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(convertToUtf8("", "GBK", &why), "");
    EXPECT_EQ(convertToUtf8("abc", "NO-SUCH-CODE", &why), std::nullopt);
    EXPECT_EQ(why, "unknown encoding 'NO-SUCH-CODE'");
    EXPECT_EQ(convertToUtf8("ab\xFF\xFF", "GBK", &why), std::nullopt);
    EXPECT_EQ(why, "byte 2 is not valid GBK");
    EXPECT_EQ(convertToUtf8("ab\xD6", "GBK", &why), std::nullopt) << "cut inside a character";
    // Longer than one conversion block.
    const std::string many(10000, 'a');
    EXPECT_EQ(convertToUtf8(many, "ISO-8859-2", &why), many);
}
