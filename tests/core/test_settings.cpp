// The settings line and the application folder helpers.
#include "core/apppaths.h"
#include "core/settings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace cantora::core;
namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct TempFile {
    std::string path = (fs::temp_directory_path() / ("cantora_cfg_" + std::to_string(::getpid()))).string();
    ~TempFile() { fs::remove(path); }
};

} // namespace

TEST(SettingsFile, SavedLineIsQuotedTextsBareNumberCommasAndCrLfAndReadsBack) {
    TempFile f;
    const Settings out{"", "/my fonts/a, b.sf2", 96000, "/my fonts/x,y/"};
    ASSERT_TRUE(confsave(f.path, out));
    EXPECT_EQ(slurp(f.path), "\"OK\",\"/my fonts/a, b.sf2\",96000,\"/my fonts/x,y/\"\r\n");
    Settings in;
    confload(f.path, in);
    EXPECT_EQ(in.accepted, "OK");
    EXPECT_EQ(in.mainFontPath, out.mainFontPath);
    EXPECT_EQ(in.rate, 96000);
    EXPECT_EQ(in.lastFolder, out.lastFolder);
}

TEST(SettingsFile, MissingShortOrDamagedFieldsKeepTheirItems) {
    const Settings keep{"", "/default.sf2", 44100, "/last/"};
    Settings s = keep;
    confload("/nonexistent/config.tlm", s);
    EXPECT_EQ(s.mainFontPath, "/default.sf2");
    const std::pair<const char *, Settings> cases[] = {
        {"\"OK\",\"/a.sf2\"\r\n", {"OK", "/a.sf2", 44100, "/last/"}},
        {"\"OK\",\"/a.sf2\",fast,\"/b/\"", {"OK", "/a.sf2", 44100, "/b/"}}, // not a number: the item stays
        {"  OK , /bare path.sf2 ,48000\r\nsecond line ignored", {"OK", "/bare path.sf2", 48000, "/last/"}},
        // An unquoted last field keeps no line end.
        {"\"OK\",\"/a.sf2\",48000,/fonts/\r\n", {"OK", "/a.sf2", 48000, "/fonts/"}},
        {"\"OK\",\"/a.sf2\",96000\r\n", {"OK", "/a.sf2", 96000, "/last/"}},
    };
    for (const auto &[line, want] : cases) {
        s = keep;
        parseSettings(line, s);
        EXPECT_EQ(s.accepted, want.accepted) << line;
        EXPECT_EQ(s.mainFontPath, want.mainFontPath) << line;
        EXPECT_EQ(s.rate, want.rate) << line;
        EXPECT_EQ(s.lastFolder, want.lastFolder) << line;
    }
}

// The box shown after a failed save carries the reason of the call that
// failed, never the "Success" of an unrelated errno.
TEST(SettingsFile, FailedSaveSaysWhyAndWhere) {
    errno = 0;
    const SaveResult missing = confsave("/nonexistent-folder/config.tlm", Settings{});
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error, "/nonexistent-folder/config.tlm: No such file or directory");

    const std::string folder = fs::temp_directory_path().string();
    const SaveResult dir = confsave(folder, Settings{});
    EXPECT_FALSE(dir);
    EXPECT_EQ(dir.error, folder + ": Is a directory");

    // Opening /dev/full works; the bytes fail only when they are flushed.
    if (fs::exists("/dev/full")) {
        const SaveResult full = confsave("/dev/full", Settings{});
        EXPECT_FALSE(full);
        EXPECT_EQ(full.error, "/dev/full: No space left on device");
    }
    TempFile f;
    const SaveResult ok = confsave(f.path, Settings{});
    EXPECT_TRUE(ok);
    EXPECT_EQ(ok.error, "");
}

TEST(AppPaths, FolderChoiceAndPathPieces) {
    EXPECT_EQ(resolveAppFolder("/home/dir", "/env", "/usr/bin/cantora"), "/home/dir");
    EXPECT_EQ(resolveAppFolder("", "/env", "/usr/bin/cantora"), "/env");
    EXPECT_EQ(resolveAppFolder("", "", "/usr/bin/cantora"), "/usr/bin");
    EXPECT_EQ(RPP("/a"), "/a/");
    EXPECT_EQ(RPP("/a/"), "/a/");
    EXPECT_EQ(GetFileName("/x/y/song.kar"), "song.kar");
    EXPECT_EQ(GetFileName("song.kar"), "song.kar");
    EXPECT_EQ(FolderOf("/x/y/song.kar"), "/x/y/");
    setAppFolder("/tmp/home/");
    EXPECT_EQ(appFile("config.tlm"), "/tmp/home/config.tlm");
    EXPECT_FALSE(FileExists("/tmp")); // a folder is not a file
}

TEST(AppPaths, RootFolderIsAFolderLikeAnyOther) {
    EXPECT_EQ(resolveAppFolder("", "", "/cantora"), "/");
    setAppFolder("/");
    EXPECT_EQ(appFolder(), "/");
    EXPECT_EQ(appFile("config.tlm"), "/config.tlm");
    setAppFolder("//");
    EXPECT_EQ(appFolder(), "/");
    // One level down, the trailing "/" goes as usual.
    setAppFolder("/a/");
    EXPECT_EQ(appFolder(), "/a");
    EXPECT_EQ(resolveAppFolder("", "", "/a/cantora"), "/a");
    EXPECT_EQ(resolveAppFolder("", "", "cantora"), ".");
}
