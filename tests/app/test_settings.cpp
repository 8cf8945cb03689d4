// The settings line and the application folder helpers.
#include "app/apppaths.h"
#include "app/errortext.h"
#include "app/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <sstream>

using namespace cantora::app;
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

TEST(SettingsFile, SavedLineIsQuotedTextsBareNumberCommasAndCrLf) {
    TempFile f;
    Settings s{"", "/fonts/piano.sf2", 44100, "/fonts/"};
    ASSERT_TRUE(confsave(f.path, s));
    EXPECT_EQ(slurp(f.path), "\"OK\",\"/fonts/piano.sf2\",44100,\"/fonts/\"\r\n");
}

TEST(SettingsFile, RoundTripKeepsPathsWithCommasAndSpaces) {
    TempFile f;
    Settings out{"", "/my fonts/a, b.sf2", 96000, "/my fonts/x,y/"};
    ASSERT_TRUE(confsave(f.path, out));
    Settings in;
    confload(f.path, in);
    EXPECT_EQ(in.accepted, "OK");
    EXPECT_EQ(in.mainFontPath, out.mainFontPath);
    EXPECT_EQ(in.rate, 96000);
    EXPECT_EQ(in.lastFolder, out.lastFolder);
}

TEST(SettingsFile, MissingShortOrDamagedFieldsKeepTheirItems) {
    Settings keep{"", "/default.sf2", 44100, "/last/"};
    Settings s = keep;
    confload("/nonexistent/config.tlm", s);
    EXPECT_EQ(s.mainFontPath, "/default.sf2");

    s = keep;
    parseSettings("\"OK\",\"/a.sf2\"\r\n", s);
    EXPECT_EQ(s.accepted, "OK");
    EXPECT_EQ(s.mainFontPath, "/a.sf2");
    EXPECT_EQ(s.rate, 44100);
    EXPECT_EQ(s.lastFolder, "/last/");

    s = keep;
    parseSettings("\"OK\",\"/a.sf2\",fast,\"/b/\"", s);
    EXPECT_EQ(s.rate, 44100);           // not a number: the item stays
    EXPECT_EQ(s.lastFolder, "/b/");

    s = keep;
    parseSettings("  OK , /bare path.sf2 ,48000\r\nsecond line ignored", s);
    EXPECT_EQ(s.accepted, "OK");
    EXPECT_EQ(s.mainFontPath, "/bare path.sf2");
    EXPECT_EQ(s.rate, 48000);
    EXPECT_EQ(s.lastFolder, "/last/");
}

TEST(SettingsFile, UnwritableFolderReportsFailure) {
    EXPECT_FALSE(confsave("/nonexistent-folder/config.tlm", Settings{}));
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
    EXPECT_FALSE(FileExists("/tmp"));   // a folder is not a file
}

TEST(ErrorText, MessageBlankLineAndCode) {
    EXPECT_EQ(errorText("Can't initialize device", 23), "Can't initialize device\n\nBASS error code: 23");
    EXPECT_EQ(errorText("x", -1), "x\n\nBASS error code: -1");
}
