// Which folder the program keeps its files in, and what a first start puts
// into the per-user one.
#include "core/apppaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace cantora::core;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/cantora_appfolder_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string str(const std::string &rel = {}) const { return rel.empty() ? path.string() : (path / rel).string(); }
};

void touch(const fs::path &p, const std::string &text = "x") {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

} // namespace

TEST(AppFolderChoice, OptionEnvironmentExecutableFolderOrTheUsersDataFolder) {
    TempDir t;
    touch(t.path / "build/bin/cantora");
    touch(t.path / "usr/bin/cantora");
    touch(t.path / "usr/share/cantora/leggimi.txt");
    const struct {
        AppFolderInputs in;
        bool canWrite;
        std::string folder;
        bool perUser;
    } cases[] = {
        {{{}, {}, t.str("build/bin/cantora"), "/xdg", "/home/u"}, true, t.str("build/bin"), false},
        {{{}, {}, "/opt/x/cantora", "/xdg", "/home/u"}, false, "/xdg/cantora", true},
        // No XDG_DATA_HOME, or a relative one (which the base directory rules ignore).
        {{{}, {}, "/opt/x/cantora", "", "/home/u"}, false, "/home/u/.local/share/cantora", true},
        {{{}, {}, "/opt/x/cantora", "rel/data", "/home/u/"}, false, "/home/u/.local/share/cantora", true},
        // Nowhere else to go: the executable's folder, as before.
        {{{}, {}, "/opt/x/cantora", "", ""}, false, "/opt/x", false},
        // Root may write into /usr/bin; the installed layout decides.
        {{{}, {}, t.str("usr/bin/cantora"), "", "/root"}, true, "/root/.local/share/cantora", true},
        {{"/k/home", "/k/env", "/usr/bin/cantora", "/xdg", "/h"}, false, "/k/home", false},
        {{"", "/k/env", "/usr/bin/cantora", "/xdg", "/h"}, false, "/k/env", false},
    };
    for (const auto &c : cases) {
        const AppFolderChoice got = chooseAppFolder(c.in, [&](const std::string &) { return c.canWrite; });
        EXPECT_EQ(got.folder, c.folder);
        EXPECT_EQ(got.perUser, c.perUser) << c.folder;
    }
    EXPECT_EQ(installedShareFolder(t.str("usr/bin/cantora")), t.str("usr/share/cantora"));
    EXPECT_EQ(installedShareFolder(t.str("usr/lib/cantora")), "");
}

TEST(AppFolderChoice, RealFolderWritability) {
    TempDir t;
    EXPECT_TRUE(folderWritable(t.str()));
    EXPECT_FALSE(folderWritable(t.str("missing")));
    EXPECT_FALSE(folderWritable(""));
}

TEST(UserFolderFirstStart, CreatesFolderLinksSoundFontAndCopiesReadme) {
    TempDir t;
    touch(t.path / "sys/GM.sf2", "sf2");
    touch(t.path / "share/leggimi.txt", "leggimi");
    const std::string folder = t.str("data/deep/cantora");
    ASSERT_EQ(prepareUserFolder(folder, t.str("sys/GM.sf2"), t.str("share")), "");
    EXPECT_TRUE(fs::is_symlink(folder + "/Chorium.sf2"));
    EXPECT_EQ(fs::read_symlink(folder + "/Chorium.sf2"), t.path / "sys/GM.sf2");
    std::ifstream readme(folder + "/leggimi.txt");
    std::string text;
    std::getline(readme, text);
    EXPECT_EQ(text, "leggimi");
    EXPECT_FALSE(fs::is_symlink(folder + "/leggimi.txt"));
}

TEST(UserFolderFirstStart, LaterStartsKeepWhatTheUserChanged) {
    TempDir t;
    touch(t.path / "share/leggimi.txt", "new");
    touch(t.path / "u/leggimi.txt", "mine");
    touch(t.path / "u/Chorium.sf2", "my font");
    fs::create_directories(t.path / "w");
    fs::create_symlink("/nowhere/gone.sf2", t.path / "w/Chorium.sf2");
    ASSERT_EQ(prepareUserFolder(t.str("u"), "/usr/share/sounds/sf2/FluidR3_GM.sf2", t.str("share")), "");
    std::ifstream font(t.path / "u/Chorium.sf2"), readme(t.path / "u/leggimi.txt");
    std::string a, b;
    std::getline(font, a);
    std::getline(readme, b);
    EXPECT_EQ(a, "my font");
    EXPECT_EQ(b, "mine");
    // A link whose target went away is the user's to fix, not replaced.
    ASSERT_EQ(prepareUserFolder(t.str("w"), "/usr/share/sounds/sf2/FluidR3_GM.sf2", ""), "");
    EXPECT_EQ(fs::read_symlink(t.path / "w/Chorium.sf2"), "/nowhere/gone.sf2");
}

TEST(UserFolderFirstStart, FolderThatCannotBeMadeIsReported) {
    TempDir t;
    touch(t.path / "file");
    const std::string err = prepareUserFolder(t.str("file/cantora"), "/x.sf2", "");
    EXPECT_NE(err.find(t.str("file/cantora")), std::string::npos) << err;
}
