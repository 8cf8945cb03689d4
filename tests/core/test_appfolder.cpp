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

const auto writable = [](const std::string &) { return true; };
const auto readOnly = [](const std::string &) { return false; };

} // namespace

TEST(AppFolderChoice, BuildFolderWritableKeepsTheExecutablesFolder) {
    TempDir t;
    touch(t.path / "build/bin/cantora");
    const AppFolderChoice c = chooseAppFolder({{}, {}, t.str("build/bin/cantora"), "/xdg", "/home/u"}, writable);
    EXPECT_EQ(c.folder, t.str("build/bin"));
    EXPECT_FALSE(c.perUser);
}

TEST(AppFolderChoice, ReadOnlyExecutableFolderGoesToTheUsersDataFolder) {
    const AppFolderInputs in{{}, {}, "/opt/x/cantora", "/xdg", "/home/u"};
    EXPECT_EQ(chooseAppFolder(in, readOnly).folder, "/xdg/cantora");
    EXPECT_TRUE(chooseAppFolder(in, readOnly).perUser);
    // No XDG_DATA_HOME, or a relative one (which the base directory rules ignore).
    EXPECT_EQ(chooseAppFolder({{}, {}, "/opt/x/cantora", "", "/home/u"}, readOnly).folder,
              "/home/u/.local/share/cantora");
    EXPECT_EQ(chooseAppFolder({{}, {}, "/opt/x/cantora", "rel/data", "/home/u/"}, readOnly).folder,
              "/home/u/.local/share/cantora");
    // Nowhere else to go: the executable's folder, as before.
    EXPECT_EQ(chooseAppFolder({{}, {}, "/opt/x/cantora", "", ""}, readOnly).folder, "/opt/x");
}

TEST(AppFolderChoice, InstalledBinFolderIsPerUserEvenWhenWritable) {
    // Root may write into /usr/bin; the installed layout decides.
    TempDir t;
    touch(t.path / "usr/bin/cantora");
    touch(t.path / "usr/share/cantora/leggimi.txt");
    const AppFolderChoice c = chooseAppFolder({{}, {}, t.str("usr/bin/cantora"), "", "/root"}, writable);
    EXPECT_EQ(c.folder, "/root/.local/share/cantora");
    EXPECT_TRUE(c.perUser);
    EXPECT_EQ(installedShareFolder(t.str("usr/bin/cantora")), t.str("usr/share/cantora"));
    EXPECT_EQ(installedShareFolder(t.str("usr/lib/cantora")), "");
}

TEST(AppFolderChoice, HomeOptionThenEnvironmentWinOverEverything) {
    const AppFolderChoice byOption = chooseAppFolder({"/k/home", "/k/env", "/usr/bin/cantora", "/xdg", "/h"}, readOnly);
    EXPECT_EQ(byOption.folder, "/k/home");
    EXPECT_FALSE(byOption.perUser);
    const AppFolderChoice byEnv = chooseAppFolder({"", "/k/env", "/usr/bin/cantora", "/xdg", "/h"}, readOnly);
    EXPECT_EQ(byEnv.folder, "/k/env");
    EXPECT_FALSE(byEnv.perUser);
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
