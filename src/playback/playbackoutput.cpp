#include "playback/playbackoutput.h"

#include <SDL.h>

namespace cantora::playback {

bool ManualOutput::open(int rate, PullFn pull)
{
    rate_ = rate;
    pull_ = std::move(pull);
    return true;
}

void ManualOutput::close()
{
    pull_ = nullptr;
}

std::vector<float> ManualOutput::pump(std::size_t frames)
{
    std::vector<float> out;
    if (!pull_)
        return out;
    out.assign(frames * 2, 0.0f);
    pull_(out.data(), frames);
    return out;
}

namespace {

// One SDL device per player. SDL's audio subsystem is reference counted, so
// the main player's device and this one can live side by side.
class SdlPlaybackOutput : public PlaybackOutput {
public:
    ~SdlPlaybackOutput() override { close(); }

    bool open(int rate, PullFn pull) override
    {
        close();
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); // Ctrl+C stays with the process
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        subsystem_ = true;
        pull_ = std::move(pull);
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &SdlPlaybackOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            close();
            return false;
        }
        // The device's buffer plus the one SDL fills behind it.
        latency_ = static_cast<std::size_t>(have.samples) * 2;
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void close() override
    {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_); // waits for a running callback
            device_ = 0;
        }
        if (subsystem_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            subsystem_ = false;
        }
        pull_ = nullptr;
    }

    std::size_t latencyFrames() const override { return latency_; }

private:
    static void callback(void *self, Uint8 *stream, int len)
    {
        auto *me = static_cast<SdlPlaybackOutput *>(self);
        me->pull_(reinterpret_cast<float *>(stream), static_cast<std::size_t>(len) / (2 * sizeof(float)));
    }

    SDL_AudioDeviceID device_ = 0;
    bool subsystem_ = false;
    std::size_t latency_ = 0;
    PullFn pull_;
};

} // namespace

std::unique_ptr<PlaybackOutput> makeSdlPlaybackOutput()
{
    return std::make_unique<SdlPlaybackOutput>();
}

} // namespace cantora::playback
