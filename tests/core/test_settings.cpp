// The settings line: written, read back, read from damaged files, and a failed save that says why;
// and the comma-separated items it (and the read-me) is read as.
#include "core/itemreader.h"
#include "core/settings.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

using namespace cantora::core;
using namespace coretest;

namespace {
auto fields(const Settings &s) { return std::tie(s.accepted, s.mainFontPath, s.rate, s.lastFolder); }
using V = std::vector<std::string>;
} // namespace

TEST(SettingsFile, SavedLineIsQuotedTextsBareNumberCommasAndCrLfAndReadsBack) {
    TempFolder t;
    const Settings out{"", "/my fonts/a, b.sf2", 96000, "/my fonts/x,y/"};
    ASSERT_TRUE(confsave(t / "config.tlm", out));
    EXPECT_EQ(contents(t / "config.tlm"), "\"OK\",\"/my fonts/a, b.sf2\",96000,\"/my fonts/x,y/\"\r\n");
    Settings in;
    confload(t / "config.tlm", in);
    EXPECT_EQ(fields(in), fields(Settings{"OK", out.mainFontPath, 96000, out.lastFolder}));
}

TEST(SettingsFile, MissingShortOrDamagedFieldsKeepTheirItems) {
    const Settings keep{"", "/default.sf2", 44100, "/last/"};
    Settings s = keep;
    confload("/nonexistent/config.tlm", s);
    EXPECT_EQ(fields(s), fields(keep));
    const std::pair<const char *, Settings> cases[] = {
        {"\"OK\",\"/a.sf2\"\r\n", {"OK", "/a.sf2", 44100, "/last/"}},
        {"\"OK\",\"/a.sf2\",fast,\"/b/\"", {"OK", "/a.sf2", 44100, "/b/"}}, // not a number: the item stays
        {"  OK , /bare path.sf2 ,48000\r\nsecond line ignored", {"OK", "/bare path.sf2", 48000, "/last/"}},
        // An unquoted last field keeps no line end.
        {"\"OK\",\"/a.sf2\",48000,/fonts/\r\n", {"OK", "/a.sf2", 48000, "/fonts/"}},
    };
    for (const auto &[line, want] : cases) {
        s = keep;
        parseSettings(line, s);
        EXPECT_EQ(fields(s), fields(want)) << line;
    }
}

// The box shown after a failed save carries the reason of the call that
// failed, never the "Success" of an unrelated errno.
TEST(SettingsFile, FailedSaveSaysWhyAndWhere) {
    TempFolder t;
    for (auto [path, why] : {std::pair{std::string("/nonexistent-folder/config.tlm"), "No such file or directory"},
                             {t / "", "Is a directory"},
                             // Opening /dev/full works; the bytes fail only when they are flushed.
                             {"/dev/full", "No space left on device"}}) {
        errno = 0;
        const SaveResult r = confsave(path, Settings{});
        EXPECT_FALSE(r);
        EXPECT_EQ(r.error, path + ": " + why);
    }
    EXPECT_EQ(confsave(t / "ok.tlm", Settings{}).error, "");
}

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
