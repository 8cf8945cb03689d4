#include "playback/mp3player.h"

#include "playback/mediagraph.h"
#include "playback/timetext.h"

#include <algorithm>
#include <cmath>

namespace cantora::playback {

namespace {
constexpr auto kPlaying = PlayState::Playing;
constexpr auto kPaused = PlayState::Paused;
constexpr auto kStopped = PlayState::Stopped;
} // namespace

const std::string &Mp3Player::PlayerState() const {
    static const std::string texts[] = {"false", "true", "pause"};
    return texts[static_cast<int>(state_)];
}

Mp3Player::Mp3Player(GraphFactory factory) : factory_(std::move(factory)) {}

Mp3Player::~Mp3Player() = default;

void Mp3Player::SetPlayTimer(bool on) {
    timerOn_ = on;
    if (TimerSwitched)
        TimerSwitched(on);
}

void Mp3Player::repaint() {
    if (KnobsMoved)
        KnobsMoved();
}

double Mp3Player::CurrentPosition() const { return graph_ ? graph_->CurrentPosition() : 0.0; }

double Mp3Player::Duration() const { return graph_ ? graph_->Duration() : 0.0; }

void Mp3Player::Start_Play(const std::string &path) {
    // A new graph replaces the old one, which releases it.
    graph_.reset();
    graph_ = factory_ ? factory_() : nullptr;
    if (graph_ && graph_->RenderFile(path) && graph_->Run()) {
        graph_->SetVolume(0);
        state_ = kPlaying;
        file_ = path;
        lastError_.clear();
        return;
    }
    lastError_ = graph_ ? graph_->error() : "no media player";
    state_ = kStopped;
    file_.clear();
    Stop_Player();
}

void Mp3Player::Stop_Player() {
    SetPlayTimer(false);
    state_ = kStopped;
    if (graph_)
        graph_->Stop();
    graph_.reset();
}

void Mp3Player::Pause_Play() {
    if (state_ == kStopped || !graph_)
        return;
    if (graph_->GetState() != GraphState::Running) {
        SetPlayTimer(true);
        graph_->Run();
        state_ = kPlaying;
    } else {
        graph_->Pause();
        state_ = kPaused;
    }
}

void Mp3Player::Five_Seg_Forward() {
    if (state_ == kPaused)
        Pause_Play(); // seeking from a pause also resumes
    if (!graph_)
        return;
    const double duration = graph_->Duration();
    const double p = std::min(graph_->CurrentPosition() + 5.0, duration);
    graph_->SetCurrentPosition(p);
}

void Mp3Player::Five_Seg_Backward() {
    if (state_ == kPaused)
        Pause_Play();
    if (!graph_)
        return;
    const double p = std::max(graph_->CurrentPosition() - 5.0, 0.0);
    graph_->SetCurrentPosition(p);
}

void Mp3Player::Tick() {
    if (!graph_)
        return; // the duration cannot be read: the tick ends here
    durationText_ = Convert_Time(static_cast<std::int32_t>(nearest(graph_->Duration())));
    if (state_ == kPlaying) {
        if (positionDragging_)
            return; // the knob shows the drag, not the play
        if (graph_->CurrentPosition() >= graph_->Duration()) {
            Stop_Player();
            state_ = kStopped;
        }
    }
    if (graph_) {
        const auto s = nearest(graph_->CurrentPosition());
        elapsedText_ = Convert_Time(static_cast<std::int32_t>(s));
        ShowTime(static_cast<std::int16_t>(std::clamp<std::int64_t>(s, INT16_MIN, INT16_MAX)));
    }
    if (LyricsFollowing && FollowLyrics && LyricsFollowing())
        FollowLyrics();
}

void Mp3Player::ShowTime(std::int16_t seconds) {
    const double duration = Duration();
    if (duration <= 0)
        return; // nothing to divide by: the knob stays
    knobLeft_ = std::min(static_cast<int>(std::floor(128.0 * seconds / duration)) + 1, kKnobMaxLeft);
    repaint();
}

double Mp3Player::knobTime(int left) const {
    const double t = std::floor((left - 1) / 128.0 * Duration() * 1000.0) / 1000.0;
    return std::max(t, 0.0);
}

void Mp3Player::SliderReproduccioN_Down(float x, float /*y*/) {
    if (state_ == kStopped || positionDragging_)
        return;
    positionGrabX_ = x;
    positionGrabLeft_ = static_cast<float>(knobLeft_);
    positionDragging_ = true;
    movedSinceDown_ = false;
}

void Mp3Player::SliderReproduccioN_Move(float x, float /*y*/) {
    if (!positionDragging_)
        return;
    // x is relative to the knob, which follows the mouse: adding the knob's
    // new left each time gives the mouse's place on the strip.
    const auto left = nearest(static_cast<double>(x) - positionGrabX_ + positionGrabLeft_);
    positionKnobLeft_ = static_cast<int>(std::clamp<std::int64_t>(left, 0, kKnobMaxLeft));
    positionGrabLeft_ = static_cast<float>(positionKnobLeft_);
    knobLeft_ = positionKnobLeft_;
    movedSinceDown_ = true;
    repaint();
    elapsedText_ = Convert_Time(static_cast<std::int32_t>(nearest(knobTime(positionKnobLeft_))));
}

void Mp3Player::SliderReproduccioN_Up(float /*x*/, float /*y*/) {
    if (!positionDragging_)
        return;
    positionDragging_ = false;
    // A click on the knob without a move does not seek: it would jump to
    // wherever an earlier drag left off.
    if (!movedSinceDown_ || !graph_)
        return;
    if (!graph_->SetCurrentPosition(knobTime(positionKnobLeft_)))
        return;
    if (state_ == kPaused)
        Pause_Play();
}

void Mp3Player::VolumeKnob_Down(float y) {
    if (volumeDragging_)
        return;
    volumeGrabY_ = y;
    volumeGrabTop_ = static_cast<float>(volumeTop_);
    volumeDragging_ = true;
}

void Mp3Player::VolumeKnob_Move(float y) {
    if (!volumeDragging_)
        return;
    const auto top = nearest(static_cast<double>(y) - volumeGrabY_ + volumeGrabTop_);
    auto clamped = static_cast<std::int16_t>(std::clamp<std::int64_t>(top, 0, kVolumeMaxTop));
    volumeGrabTop_ = clamped;
    Ajust_Volume(clamped);
}

void Mp3Player::VolumeKnob_Up() { volumeDragging_ = false; }

void Mp3Player::Ajust_Volume(std::int16_t &top) {
    top = std::clamp<std::int16_t>(top, 0, kVolumeMaxTop);
    volumeTop_ = top;
    repaint();
    const auto v = static_cast<long>(nearest(top * 100.0 / kVolumeMaxTop));
    if (!graph_) {
        storedVolume_ = static_cast<std::int16_t>(-(v * 50));
        return;
    }
    graph_->SetVolume(-(v * 50));
    storedVolume_ = static_cast<std::int16_t>(graph_->Volume());
}

} // namespace cantora::playback
