// The MP3 transport against a graph whose clock the test sets: time texts,
// end of file, five-second seeks, pause, both knobs and a file that cannot
// be played.

#include "fakegraph.h"
#include "playback/mediagraph.h"
#include "playback/mp3player.h"
#include "playback/timetext.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace cantora::playback;

namespace {

class Mp3Transport : public ::testing::Test {
protected:
    Mp3Transport() : player([this] { return std::make_unique<FakeGraph>(log); }) {
        player.TimerSwitched = [this](bool on) { timerSwitches.push_back(on); };
    }

    void play() {
        player.SetPlayTimer(true); // as the play command does
        player.Start_Play("/music/song.mp3");
    }

    GraphLog log;
    Mp3Player player;
    std::vector<bool> timerSwitches;
};

} // namespace

TEST(PlaybackTimeText, MinutesAndSecondsThenHoursAndHalvesToTheEvenNeighbour) {
    for (const auto &[seconds, text] : std::vector<std::pair<std::int32_t, std::string>>{
             {0, "00:00"}, {75, "01:15"}, {3599, "59:59"}, {3600, "01:00:00"}, {36059, "10:00:59"}})
        EXPECT_EQ(Convert_Time(seconds), text);
    for (const auto &[x, n] :
         std::vector<std::pair<double, std::int64_t>>{{2.5, 2}, {3.5, 4}, {2.5000001, 3}, {-0.5, 0}, {-1.5, -2}})
        EXPECT_EQ(nearest(x), n) << x;
}

TEST_F(Mp3Transport, GivenAFileWhenPlayStartsThenStateIsTrueAtFullVolumeAndTicksShowTheTimes) {
    log.volume = -700;
    play();
    EXPECT_EQ(player.PlayerState(), "true");
    EXPECT_EQ(player.PlayingFile(), "/music/song.mp3");
    EXPECT_EQ(log.volume, 0);

    log.duration = 3725.4;
    log.position = 2.5;
    player.Tick();
    EXPECT_EQ(player.lblTiempoT(), "00:02") << "2.5 s rounds to the even second";
    EXPECT_EQ(player.lblDuracion(), "01:02:05");
    EXPECT_EQ(player.PositionKnobLeft(), 1);

    log.position = 3.5;
    player.Tick();
    EXPECT_EQ(player.lblTiempoT(), "00:04");
}

TEST_F(Mp3Transport, GivenThreeSecondsLeftWhenForwardThenItSeeksToTheEndAndTheNextTickStops) {
    play();
    log.position = 197.0;
    player.Five_Seg_Forward();
    ASSERT_EQ(log.seeks.size(), 1u);
    EXPECT_DOUBLE_EQ(log.seeks[0], 200.0);
    EXPECT_EQ(player.PlayerState(), "true");

    player.Tick();
    EXPECT_EQ(player.PlayerState(), "false");
    EXPECT_EQ(player.Graph(), nullptr);
    EXPECT_EQ(log.released, 1);
    EXPECT_FALSE(player.PlayTimerEnabled());
    EXPECT_EQ(timerSwitches.back(), false);

    // A tick after the release changes nothing.
    const auto shown = player.lblTiempoT();
    player.Tick();
    EXPECT_EQ(player.lblTiempoT(), shown);
}

TEST_F(Mp3Transport, FiveSecondSeeksStopAtTheEdges) {
    play();
    log.position = 2.0;
    player.Five_Seg_Backward();
    log.position = 60.0;
    player.Five_Seg_Backward();
    player.Five_Seg_Forward();
    EXPECT_EQ(log.seeks, (std::vector<double>{0.0, 55.0, 60.0}));
}

TEST_F(Mp3Transport, GivenPausedWhenSeekingThenPlaybackResumes) {
    play();
    player.Pause_Play();
    EXPECT_EQ(player.PlayerState(), "pause");
    EXPECT_EQ(log.state, GraphState::Paused);

    player.Five_Seg_Forward();
    EXPECT_EQ(player.PlayerState(), "true");
    EXPECT_EQ(log.state, GraphState::Running);

    player.Pause_Play();
    player.Five_Seg_Backward();
    EXPECT_EQ(player.PlayerState(), "true");

    player.Pause_Play();
    player.SliderReproduccioN_Down(5, 5);
    player.SliderReproduccioN_Move(69, 5);
    player.SliderReproduccioN_Up(69, 5);
    EXPECT_EQ(player.PlayerState(), "true");
    EXPECT_EQ(log.state, GraphState::Running);
}

TEST_F(Mp3Transport, PauseTogglesAndDoesNothingWhenStopped) {
    player.Pause_Play();
    EXPECT_EQ(player.PlayerState(), "false");
    EXPECT_TRUE(timerSwitches.empty());

    play();
    player.Pause_Play();
    EXPECT_EQ(player.PlayerState(), "pause");
    player.SetPlayTimer(false);
    player.Pause_Play();
    EXPECT_EQ(player.PlayerState(), "true");
    EXPECT_TRUE(player.PlayTimerEnabled()) << "resuming turns the timer back on";

    // The tick of a paused player keeps the texts up to date but never ends it.
    player.Pause_Play();
    log.position = 200.0;
    player.Tick();
    EXPECT_EQ(player.PlayerState(), "pause");
    EXPECT_EQ(player.lblTiempoT(), "03:20");

    player.Stop_Player();
    EXPECT_EQ(player.PlayerState(), "false");
    EXPECT_EQ(log.state, GraphState::Stopped);
    EXPECT_EQ(log.released, 1);
}

TEST_F(Mp3Transport, AFileThatCannotBePlayedLeavesThePlayerStopped) {
    log.renderFails = true;
    play();
    EXPECT_EQ(player.PlayerState(), "false");
    EXPECT_EQ(player.PlayingFile(), "");
    EXPECT_EQ(player.Graph(), nullptr);
    EXPECT_FALSE(player.PlayTimerEnabled());

    log.renderFails = false;
    log.runFails = true;
    play();
    EXPECT_EQ(player.PlayerState(), "false");
    EXPECT_EQ(player.PlayingFile(), "");

    // A working file after a failed one, then a second start replaces the graph.
    log.runFails = false;
    play();
    EXPECT_EQ(player.PlayerState(), "true");
    const int before = log.released;
    play();
    EXPECT_EQ(log.released, before + 1);
    EXPECT_NE(player.Graph(), nullptr);
}

TEST_F(Mp3Transport, ThePositionKnobNeverPassesTheEndOfItsStrip) {
    play();
    log.duration = 10.0;
    log.position = 5.0;
    player.Tick();
    EXPECT_EQ(player.PositionKnobLeft(), 65);

    player.SetPlayTimer(true);
    player.Pause_Play(); // paused: the tick does not stop at the end
    log.position = 30.0; // the graph reports more than the duration
    player.Tick();
    EXPECT_EQ(player.PositionKnobLeft(), 129);
    player.ShowTime(32767);
    EXPECT_EQ(player.PositionKnobLeft(), 129);
    player.ShowTime(9);
    EXPECT_EQ(player.PositionKnobLeft(), 116);
}

TEST_F(Mp3Transport, DraggingThePositionKnobShowsItsTimeAndSeeksOnRelease) {
    player.SliderReproduccioN_Down(3, 3);
    EXPECT_FALSE(player.PositionDragging()) << "no drag while stopped";

    play();
    log.duration = 128.0;
    player.SliderReproduccioN_Down(4, 4);
    ASSERT_TRUE(player.PositionDragging());
    // x is relative to the knob: it moves under the mouse.
    player.SliderReproduccioN_Move(14, 4); // knob 0 -> 10
    EXPECT_EQ(player.PositionKnobLeft(), 10);
    player.SliderReproduccioN_Move(24, 4); // 24 - 4 + 10 = 30
    EXPECT_EQ(player.PositionKnobLeft(), 30);
    EXPECT_EQ(player.lblTiempoT(), "00:29");

    log.position = 100.0;
    player.Tick();
    EXPECT_EQ(player.lblTiempoT(), "00:29") << "the tick leaves a dragged knob alone";
    EXPECT_EQ(player.PositionKnobLeft(), 30);

    player.SliderReproduccioN_Move(500, 4);
    EXPECT_EQ(player.PositionKnobLeft(), 129);
    player.SliderReproduccioN_Move(-1000, 4);
    EXPECT_EQ(player.PositionKnobLeft(), 0);
    EXPECT_EQ(player.lblTiempoT(), "00:00") << "left 0 stands for a negative time, shown as 0";
    player.SliderReproduccioN_Move(34, 4); // 34 - 4 + 0
    player.SliderReproduccioN_Up(34, 4);
    EXPECT_FALSE(player.PositionDragging());
    ASSERT_EQ(log.seeks.size(), 1u);
    EXPECT_DOUBLE_EQ(log.seeks[0], 29.0);
}

TEST_F(Mp3Transport, AClickOnThePositionKnobWithoutAMoveDoesNotSeek) {
    play();
    player.SliderReproduccioN_Down(4, 4);
    player.SliderReproduccioN_Move(60, 4);
    player.SliderReproduccioN_Up(60, 4);
    ASSERT_EQ(log.seeks.size(), 1u);

    player.Pause_Play();
    player.SliderReproduccioN_Down(4, 4);
    player.SliderReproduccioN_Up(4, 4);
    EXPECT_EQ(log.seeks.size(), 1u);
    EXPECT_FALSE(player.PositionDragging());
    EXPECT_EQ(player.PlayerState(), "pause");
}

TEST_F(Mp3Transport, TheVolumeKnobRunsFromFullToMinus50Decibels) {
    // Stopped: the volume is only remembered.
    std::int16_t top = 200;
    player.Ajust_Volume(top);
    EXPECT_EQ(top, 89);
    EXPECT_EQ(player.StoredVolume(), -5000);
    top = -3;
    player.Ajust_Volume(top);
    EXPECT_EQ(top, 0);
    EXPECT_EQ(player.StoredVolume(), 0);

    play();
    player.VolumeKnob_Down(2);
    player.VolumeKnob_Move(500);
    EXPECT_EQ(player.VolumeKnobTop(), 89);
    EXPECT_EQ(log.volume, -5000);
    EXPECT_EQ(player.StoredVolume(), -5000);
    player.VolumeKnob_Move(-500);
    EXPECT_EQ(player.VolumeKnobTop(), 0);
    EXPECT_EQ(log.volume, 0);
    player.VolumeKnob_Move(2 + 40); // 42 - 2 + 0
    EXPECT_EQ(player.VolumeKnobTop(), 40);
    EXPECT_EQ(log.volume, -2250) << "40 / 89 of the way is 45 steps of 50";
    player.VolumeKnob_Up();
    player.VolumeKnob_Move(80);
    EXPECT_EQ(player.VolumeKnobTop(), 40) << "no move after the release";

    top = 1; // 1.12 steps: rounds to 1
    player.Ajust_Volume(top);
    EXPECT_EQ(player.StoredVolume(), -50);
}

TEST_F(Mp3Transport, TheTickRunsTheLyricFollowerOnlyWhenLyricsAreShown) {
    bool following = false;
    int followed = 0;
    player.LyricsFollowing = [&] { return following; };
    player.FollowLyrics = [&] { ++followed; };
    play();
    player.Tick();
    EXPECT_EQ(followed, 0);
    following = true;
    player.Tick();
    player.Tick();
    EXPECT_EQ(followed, 2);
}
