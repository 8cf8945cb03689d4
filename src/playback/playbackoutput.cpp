#include "playback/playbackoutput.h"

#include "audio/output.h"

namespace cantora::playback {

bool ManualOutput::open(int rate, PullFn pull) {
    rate_ = rate;
    pull_ = std::move(pull);
    return true;
}

void ManualOutput::close() { pull_ = nullptr; }

std::vector<float> ManualOutput::pump(std::size_t frames) {
    std::vector<float> out;
    if (!pull_)
        return out;
    out.assign(frames * 2, 0.0f);
    pull_(out.data(), frames);
    return out;
}

namespace {

// The player's sound goes to a device of its own, opened through the same
// SDL2 output the engine uses. SDL's audio subsystem is reference counted,
// so the main player's device and this one can live side by side.
class SdlPlaybackOutput : public PlaybackOutput {
public:
    bool open(int rate, PullFn pull) override {
        close();
        device_ = audio::makeSdlOutput(-1);
        if (!device_->open(rate, std::move(pull))) {
            device_.reset();
            return false;
        }
        latency_ = static_cast<std::size_t>(device_->latency() * rate + 0.5);
        return true;
    }

    void close() override {
        if (device_)
            device_->close(); // waits for a running pull
        device_.reset();
    }

    std::size_t latencyFrames() const override { return latency_; }

private:
    std::unique_ptr<audio::AudioOutput> device_;
    std::size_t latency_ = 0;
};

} // namespace

std::unique_ptr<PlaybackOutput> makeSdlPlaybackOutput() { return std::make_unique<SdlPlaybackOutput>(); }

} // namespace cantora::playback
