// Which MIDI editor the MidiEditor command starts, with programs made in a scratch folder: nothing is started here.
#include "core/tempfolder.h"
#include "player/midieditor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace cantora::player;
namespace fs = std::filesystem;

namespace {

class MidiEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "app");
        fs::create_directories(dir / "bin");
    }
    std::string program(const fs::path &p, bool runnable = true) {
        std::ofstream(p) << "#!/bin/sh\n";
        fs::permissions(p, runnable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
        return p.string();
    }
    std::string app() const { return (dir / "app").string(); }
    std::string binPath() const { return "/nonexistent:" + (dir / "bin").string(); }
    coretest::TempFolder folder;
    const fs::path dir = folder.path;
};

} // namespace

TEST_F(MidiEditorTest, GIVEN_each_place_WHEN_chosen_THEN_preferences_win_over_the_variable_over_tunesmith) {
    const std::string configured = program(dir / "bin" / "rosegarden");
    const std::string fromEnv = program(dir / "envedit");
    const std::string tunesmith = program(dir / "app" / "tunesmith");
    EXPECT_EQ(chooseMidiEditor(configured, fromEnv.c_str(), app(), nullptr).program, configured);
    EXPECT_EQ(chooseMidiEditor(std::nullopt, fromEnv.c_str(), app(), nullptr).program, fromEnv);
    EXPECT_EQ(chooseMidiEditor(std::nullopt, nullptr, app(), nullptr).program, tunesmith);
    // A bare name is looked up in PATH.
    EXPECT_EQ(chooseMidiEditor(std::string("rosegarden"), nullptr, app(), binPath().c_str()).program, configured);
    // A name that leads nowhere gives way to the next place.
    EXPECT_EQ(chooseMidiEditor(std::string("nosuch"), fromEnv.c_str(), app(), binPath().c_str()).program, fromEnv);
}

TEST_F(MidiEditorTest, GIVEN_no_editor_anywhere_THEN_the_message_says_how_to_set_one_and_what_was_wrong) {
    program(dir / "app" / "tunesmith", false); // there, but not a program
    fs::create_directories(dir / "bin" / "musescore");
    const MidiEditorChoice none = chooseMidiEditor(std::string("musescore"), "", app(), binPath().c_str());
    EXPECT_EQ(none.program, "");
    EXPECT_NE(none.message.find("CANTORA_MIDI_EDITOR"), std::string::npos);
    EXPECT_NE(none.message.find(app()), std::string::npos);
    EXPECT_NE(none.message.find("\"musescore\", which is not a program"), std::string::npos) << none.message;
    EXPECT_EQ(chooseMidiEditor(std::nullopt, nullptr, app(), nullptr).message,
              none.message.substr(none.message.find("No MIDI")));
}
