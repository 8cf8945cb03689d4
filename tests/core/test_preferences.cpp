// The preferences file and the recent songs kept in it.
#include "core/preferences.h"
#include "core/recentsongs.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <set>

using namespace cantora::core;

TEST(Preferences, RoundTripKeepsUnknownKeysCommentsAndOrder) {
    Preferences p = Preferences::parse("# written by a newer Cantora\r\nview.lyrics=big\nwindow.geometry=1,2,3,4\n"
                                       "\nfuture=a=b\n");
    EXPECT_EQ(p.get("view.lyrics", ""), "big");
    EXPECT_EQ(p.get("future", ""), "a=b"); // only the first "=" splits
    p.set("window.geometry", "5,6,7,8");
    p.set("folder.open", "/songs");
    EXPECT_EQ(p.format(), "# written by a newer Cantora\nview.lyrics=big\nwindow.geometry=5,6,7,8\n\nfuture=a=b\n"
                          "folder.open=/songs\n");
}

TEST(Preferences, BadKeysAndValuesCannotBreakTheFile) {
    Preferences p;
    p.set("a=b", "x");
    p.set("", "x");
    p.set("#c", "x");
    p.set("two\nlines", "x");
    p.set("k", "first\nsecond\r");
    EXPECT_EQ(p.format(), "k=first second \n");
    EXPECT_EQ(Preferences::parse(p.format()).get("k", ""), "first second ");
    // A repeated key: the last one wins and only one is written back.
    EXPECT_EQ(Preferences::parse("k=1\nk=2\n").format(), "k=2\n");
}

TEST(Preferences, IntegersFallBackOnAnythingElse) {
    Preferences p = Preferences::parse("w=1024\nh=\nx=12px\ny=-3\nbig=99999999999\n");
    for (const auto &[key, value] : {std::pair{"w", 1024}, {"y", -3}, {"h", 7}, {"x", 7}, {"big", 7}, {"missing", 7}})
        EXPECT_EQ(p.getInt(key, 7), value) << key;
    p.remove("w");
    EXPECT_FALSE(p.get("w"));
}

TEST(Preferences, SaveReplacesWholeAndFailureLeavesOldFile) {
    coretest::TempFolder dir;
    const std::string path = dir / "cantora.ini";
    Preferences p;
    p.set("a", "1");
    ASSERT_EQ(p.save(path), "");
    EXPECT_EQ(Preferences::load(path).get("a", ""), "1");
    EXPECT_NE(p.save(dir / "no/such/folder/cantora.ini"), "");
    EXPECT_FALSE(Preferences::load(dir / "missing.ini").get("a"));
}

TEST(RecentSongs, NewestFirstEachOnceTenAtMost) {
    RecentSongs r;
    for (int i = 1; i <= 11; ++i)
        r.add("/s/" + std::to_string(i) + ".kar");
    ASSERT_EQ(r.paths().size(), 10u);
    EXPECT_EQ(r.paths().back(), "/s/2.kar"); // 1 fell off the end
    r.add("/s/5.kar");
    r.add("");
    EXPECT_EQ(r.paths().front(), "/s/5.kar");
    EXPECT_EQ(r.paths()[1], "/s/11.kar");
    EXPECT_EQ(std::set<std::string>(r.paths().begin(), r.paths().end()).size(), 10u);
}

TEST(RecentSongs, StoredAndReadBackDroppingMissingAndDuplicateSlots) {
    Preferences p = Preferences::parse("recent1=/a.kar\nrecent2=/gone.mid\nrecent3=/a.kar\nrecent5=/b.kar\n"
                                       "recent11=/never.kar\nother=keep\n");
    RecentSongs r = RecentSongs::from(p);
    EXPECT_EQ(r.paths(), (std::vector<std::string>{"/a.kar", "/gone.mid", "/b.kar"}));
    r.dropMissing([](const std::string &path) { return path != "/gone.mid"; });
    EXPECT_EQ(r.paths(), (std::vector<std::string>{"/a.kar", "/b.kar"}));
    r.store(p);
    EXPECT_EQ(p.get("recent1", ""), "/a.kar");
    EXPECT_EQ(p.get("recent2", ""), "/b.kar");
    EXPECT_FALSE(p.get("recent3"));
    EXPECT_FALSE(p.get("recent5"));
    EXPECT_EQ(p.get("other", ""), "keep");
    EXPECT_EQ(RecentSongs::from(p).paths(), r.paths());
}
