// Which folder the program keeps its files in, the path pieces built on it,
// and what a first start puts into the per-user one.
#include "core/apppaths.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

using namespace cantora::core;
using namespace coretest;

TEST(AppFolderChoice, OptionEnvironmentExecutableFolderOrTheUsersDataFolder) {
    TempFolder t;
    const std::string buildExe = t.put("build/bin/cantora"), usrExe = t.put("usr/bin/cantora");
    t.put("usr/share/cantora/leggimi.txt");
    const struct {
        AppFolderInputs in;
        bool canWrite;
        std::string folder;
        bool perUser;
    } cases[] = {
        {{{}, {}, buildExe, "/xdg", "/home/u"}, true, t / "build/bin", false},
        {{{}, {}, "/opt/x/cantora", "/xdg", "/home/u"}, false, "/xdg/cantora", true},
        // No XDG_DATA_HOME, or a relative one (which the base directory rules ignore).
        {{{}, {}, "/opt/x/cantora", "", "/home/u"}, false, "/home/u/.local/share/cantora", true},
        {{{}, {}, "/opt/x/cantora", "rel/data", "/home/u/"}, false, "/home/u/.local/share/cantora", true},
        // Nowhere else to go: the executable's folder, as before.
        {{{}, {}, "/opt/x/cantora", "", ""}, false, "/opt/x", false},
        // Root may write into /usr/bin; the installed layout decides.
        {{{}, {}, usrExe, "", "/root"}, true, "/root/.local/share/cantora", true},
        {{"/k/home", "/k/env", "/usr/bin/cantora", "/xdg", "/h"}, false, "/k/home", false},
        {{"", "/k/env", "/usr/bin/cantora", "/xdg", "/h"}, false, "/k/env", false},
        {{{}, {}, "/cantora", "", ""}, true, "/", false},
        {{{}, {}, "cantora", "", ""}, true, ".", false},
    };
    for (const auto &c : cases) {
        const AppFolderChoice got = chooseAppFolder(c.in, [&](const std::string &) { return c.canWrite; });
        EXPECT_EQ(got.folder, c.folder);
        EXPECT_EQ(got.perUser, c.perUser) << c.folder;
    }
    EXPECT_EQ(installedShareFolder(usrExe), t / "usr/share/cantora");
    EXPECT_EQ(installedShareFolder(t / "usr/lib/cantora"), "");
    EXPECT_TRUE(folderWritable(t / ""));
    EXPECT_FALSE(folderWritable(t / "missing"));
    EXPECT_FALSE(folderWritable(""));
}

TEST(AppPaths, PathPiecesRootIncluded) {
    EXPECT_EQ(GetFileName("/x/y/song.kar"), "song.kar");
    EXPECT_EQ(GetFileName("song.kar"), "song.kar");
    EXPECT_FALSE(FileExists("/tmp")); // a folder is not a file
    for (auto [set, folder, file] : {std::tuple{"/tmp/home/", "/tmp/home", "/tmp/home/config.tlm"},
                                     {"/", "/", "/config.tlm"},
                                     {"//", "/", "/config.tlm"}}) {
        setAppFolder(set);
        EXPECT_EQ(appFolder(), folder);
        EXPECT_EQ(appFile("config.tlm"), file);
    }
}

TEST(UserFolderFirstStart, LinksTheSoundFontCopiesTheReadmeAndLaterKeepsWhatTheUserChanged) {
    TempFolder t;
    const std::string font = t.put("sys/GM.sf2", "sf2");
    t.put("share/leggimi.txt", "leggimi");
    const std::string folder = t / "data/deep/cantora";
    ASSERT_EQ(prepareUserFolder(folder, font, t / "share"), "");
    EXPECT_EQ(fs::read_symlink(folder + "/Chorium.sf2"), font);
    EXPECT_FALSE(fs::is_symlink(folder + "/leggimi.txt"));
    EXPECT_EQ(contents(folder + "/leggimi.txt"), "leggimi");

    t.put("u/leggimi.txt", "mine");
    t.put("u/Chorium.sf2", "my font");
    ASSERT_EQ(prepareUserFolder(t / "u", font, t / "share"), "");
    EXPECT_EQ(contents(t / "u/Chorium.sf2"), "my font");
    EXPECT_EQ(contents(t / "u/leggimi.txt"), "mine");
    // A link whose target went away is the user's to fix, not replaced.
    fs::create_directories(t.path / "w");
    fs::create_symlink("/nowhere/gone.sf2", t.path / "w/Chorium.sf2");
    ASSERT_EQ(prepareUserFolder(t / "w", font, ""), "");
    EXPECT_EQ(fs::read_symlink(t.path / "w/Chorium.sf2"), "/nowhere/gone.sf2");

    t.put("file");
    const std::string err = prepareUserFolder(t / "file/cantora", font, "");
    EXPECT_NE(err.find(t / "file/cantora"), std::string::npos) << err;
}
