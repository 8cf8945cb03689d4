// The MP3 transport against a graph whose clock the test sets: time texts,
// end of file, five-second seeks, pause, both knobs and a file that cannot
// be played.

#include "fakegraph.h"
#include "playback/mediagraph.h"
#include "playback/mp3player.h"
#include "playback/timetext.h"

#include <gtest/gtest.h>

#include <functional>
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
    // A press on the position knob at `from`, moves to each x, a release at the last.
    void drag(int from, std::vector<int> moves) {
        player.SliderReproduccioN_Down(from, from);
        for (int x : moves)
            player.SliderReproduccioN_Move(x, from);
        player.SliderReproduccioN_Up(moves.empty() ? from : moves.back(), from);
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
    // The lyric follower runs on the tick only while lyrics are shown.
    bool following = false;
    int followed = 0;
    player.LyricsFollowing = [&] { return following; };
    player.FollowLyrics = [&] { ++followed; };
    player.Tick();
    following = true;
    player.Tick();
    EXPECT_EQ(followed, 1);
}

TEST_F(Mp3Transport, FiveSecondSeeksStopAtTheEdgesAndTheEndStopsThePlayer) {
    play();
    log.position = 2.0;
    player.Five_Seg_Backward();
    log.position = 60.0;
    player.Five_Seg_Backward();
    player.Five_Seg_Forward();
    log.position = 197.0;
    player.Five_Seg_Forward();
    EXPECT_EQ(log.seeks, (std::vector<double>{0.0, 55.0, 60.0, 200.0}));
    EXPECT_EQ(player.PlayerState(), "true");

    player.Tick();
    EXPECT_EQ(player.PlayerState(), "false");
    EXPECT_EQ(player.Graph(), nullptr);
    EXPECT_EQ(log.released, 1);
    EXPECT_FALSE(player.PlayTimerEnabled());
    const auto shown = player.lblTiempoT();
    player.Tick(); // after the release: nothing changes
    EXPECT_EQ(player.lblTiempoT(), shown);
}

TEST_F(Mp3Transport, PauseTogglesAndAnySeekResumes) {
    player.Pause_Play();
    EXPECT_EQ(player.PlayerState(), "false") << "nothing to pause";
    EXPECT_TRUE(timerSwitches.empty());
    play();
    player.Pause_Play();
    EXPECT_EQ(player.PlayerState(), "pause");
    EXPECT_EQ(log.state, GraphState::Paused);
    player.SetPlayTimer(false);
    player.Pause_Play();
    EXPECT_EQ(player.PlayerState(), "true");
    EXPECT_TRUE(player.PlayTimerEnabled()) << "resuming turns the timer back on";

    log.position = 100.0;

    const std::function<void()> seeks[] = {[&] { player.Five_Seg_Forward(); }, [&] { player.Five_Seg_Backward(); },
                                           [&] { drag(5, {69}); }};
    for (const auto &seek : seeks) {
        player.Pause_Play();
        ASSERT_EQ(player.PlayerState(), "pause");
        seek();
        EXPECT_EQ(player.PlayerState(), "true");
        EXPECT_EQ(log.state, GraphState::Running);
    }
    player.Stop_Player();
    EXPECT_EQ(player.PlayerState(), "false");
    EXPECT_EQ(log.state, GraphState::Stopped);
    EXPECT_EQ(log.released, 1);
}

TEST_F(Mp3Transport, AFileThatCannotBePlayedLeavesThePlayerStopped) {
    for (bool *fails : {&log.renderFails, &log.runFails}) {
        *fails = true;
        play();
        EXPECT_EQ(player.PlayerState(), "false");
        EXPECT_EQ(player.PlayingFile(), "");
        EXPECT_EQ(player.Graph(), nullptr);
        EXPECT_FALSE(player.PlayTimerEnabled());
        *fails = false;
    }
    // A working file after a failed one, then a second start replaces the graph.
    play();
    EXPECT_EQ(player.PlayerState(), "true");
    const int before = log.released;
    play();
    EXPECT_EQ(log.released, before + 1);
    EXPECT_NE(player.Graph(), nullptr);
}

TEST_F(Mp3Transport, ThePositionKnobFollowsTheTimeWithinItsStrip) {
    drag(3, {10});
    EXPECT_TRUE(log.seeks.empty()) << "no drag while stopped";
    play();
    log.duration = 10.0;
    player.Pause_Play(); // paused: the tick does not stop at the end, it shows it
    log.position = 30.0; // the graph reports more than the duration
    player.Tick();
    EXPECT_EQ(player.PositionKnobLeft(), 129);
    EXPECT_EQ(player.lblTiempoT(), "00:30");
    player.ShowTime(9);
    EXPECT_EQ(player.PositionKnobLeft(), 116);
    drag(4, {});
    EXPECT_TRUE(log.seeks.empty()) << "a click without a move does not seek";
    EXPECT_EQ(player.PlayerState(), "pause");
}

TEST_F(Mp3Transport, DraggingThePositionKnobShowsItsTimeAndSeeksOnRelease) {
    play();
    log.duration = 128.0;
    player.SliderReproduccioN_Down(4, 4);
    ASSERT_TRUE(player.PositionDragging());
    // x is relative to the knob: it moves under the mouse.
    player.SliderReproduccioN_Move(14, 4); // knob 0 -> 10
    player.SliderReproduccioN_Move(24, 4); // 24 - 4 + 10 = 30
    EXPECT_EQ(player.PositionKnobLeft(), 30);
    EXPECT_EQ(player.lblTiempoT(), "00:29");
    log.position = 100.0;
    player.Tick();
    EXPECT_EQ(player.PositionKnobLeft(), 30) << "the tick leaves a dragged knob alone";
    player.SliderReproduccioN_Move(500, 4);
    EXPECT_EQ(player.PositionKnobLeft(), 129);
    player.SliderReproduccioN_Move(-1000, 4);
    EXPECT_EQ(player.PositionKnobLeft(), 0);
    EXPECT_EQ(player.lblTiempoT(), "00:00") << "left 0 stands for a negative time, shown as 0";
    player.SliderReproduccioN_Move(34, 4); // 34 - 4 + 0
    player.SliderReproduccioN_Up(34, 4);
    EXPECT_FALSE(player.PositionDragging());
    EXPECT_EQ(log.seeks, std::vector<double>{29.0});
}

TEST_F(Mp3Transport, TheVolumeKnobRunsFromFullToMinus50Decibels) {
    // Stopped: the volume is only remembered.
    for (auto [asked, top, volume] : {std::tuple{200, 89, -5000}, {-3, 0, 0}, {1, 1, -50}}) {
        std::int16_t knob = static_cast<std::int16_t>(asked);
        player.Ajust_Volume(knob);
        EXPECT_EQ(knob, top);
        EXPECT_EQ(player.StoredVolume(), volume);
    }
    play();
    player.VolumeKnob_Down(2);
    for (auto [x, top, volume] : {std::tuple{500, 89, -5000}, {-500, 0, 0}, {42, 40, -2250}}) {
        player.VolumeKnob_Move(x); // 42 - 2 + 0: 40 / 89 of the way is 45 steps of 50
        EXPECT_EQ(player.VolumeKnobTop(), top);
        EXPECT_EQ(log.volume, volume);
    }
    player.VolumeKnob_Up();
    player.VolumeKnob_Move(80);
    EXPECT_EQ(player.VolumeKnobTop(), 40) << "no move after the release";
}
