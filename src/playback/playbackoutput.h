#pragma once
// Where the MP3 player's sound goes. The output pulls interleaved stereo
// float frames from the player; the SDL2 device does so on its own thread,
// the hand-pumped output on the thread that calls pump(), which makes every
// position in a test exact.

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace cantora::playback {

// Fills `frames` stereo frames (L,R interleaved) into `out`.
using PullFn = std::function<void(float *out, std::size_t frames)>;

class PlaybackOutput {
public:
    virtual ~PlaybackOutput() = default;
    // Starts pulling at `rate` frames a second; false when no device can be had.
    virtual bool open(int rate, PullFn pull) = 0;
    // Stops pulling; returns only when no pull is running.
    virtual void close() = 0;
    // Frames between being pulled and being heard.
    virtual std::size_t latencyFrames() const = 0;
};

// An output that pulls only when told to, and discards or keeps the sound.
class ManualOutput : public PlaybackOutput {
public:
    // `latency` frames stand for the sound still on its way to the speaker.
    explicit ManualOutput(std::size_t latency = 0) : latency_(latency) {}
    bool open(int rate, PullFn pull) override;
    void close() override;
    std::size_t latencyFrames() const override { return latency_; }

    // Pulls `frames` frames; returns them (empty when closed).
    std::vector<float> pump(std::size_t frames);
    bool isOpen() const { return static_cast<bool>(pull_); }
    int rate() const { return rate_; }

private:
    std::size_t latency_;
    int rate_ = 0;
    PullFn pull_;
};

// The SDL2 audio device (honours SDL_AUDIODRIVER, "dummy" in tests).
std::unique_ptr<PlaybackOutput> makeSdlPlaybackOutput();

} // namespace cantora::playback
