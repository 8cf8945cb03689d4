#include "audio/output.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

namespace cantora::audio {

namespace {

constexpr int kDeviceFrames = 1024;

// SDL2 playback device; SDL's audio thread calls back for float frames.
class SdlOutput : public AudioOutput {
public:
    ~SdlOutput() override { close(); }

    bool open(int rate, MixFn mix) override {
        close();
        // SDL would otherwise take over SIGINT and SIGTERM and turn them into
        // quit events nobody reads: the program could then not be stopped.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        subsystem_ = true;
        mix_ = std::move(mix);
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kDeviceFrames;
        want.callback = &SdlOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts to whatever the hardware takes.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            subsystem_ = false;
            return false;
        }
        latency_ = 2.0 * have.samples / rate;
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void close() override {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_); // waits for a running callback
            device_ = 0;
        }
        if (subsystem_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            subsystem_ = false;
        }
    }

    double latency() const override { return latency_; }

private:
    static void callback(void *user, Uint8 *stream, int len) {
        auto *self = static_cast<SdlOutput *>(user);
        self->mix_(reinterpret_cast<float *>(stream), static_cast<std::size_t>(len) / (2 * sizeof(float)));
    }

    SDL_AudioDeviceID device_ = 0;
    bool subsystem_ = false;
    MixFn mix_;
    double latency_ = 0.05;
};

// Pulls the mix in real time on a thread of its own and drops it.
class NullOutput : public AudioOutput {
public:
    ~NullOutput() override { close(); }

    bool open(int rate, MixFn mix) override {
        close();
        running_ = true;
        thread_ = std::thread([this, rate, mix = std::move(mix)] {
            std::vector<float> buffer(2 * kDeviceFrames);
            const auto period = std::chrono::duration<double>(double(kDeviceFrames) / rate);
            auto next = std::chrono::steady_clock::now();
            while (running_) {
                mix(buffer.data(), kDeviceFrames);
                next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
                std::this_thread::sleep_until(next);
            }
        });
        rate_ = rate;
        return true;
    }

    void close() override {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
    }

    double latency() const override { return double(kDeviceFrames) / rate_; }

private:
    std::atomic<bool> running_{false};
    std::thread thread_;
    int rate_ = 44100;
};

class MissingOutput : public AudioOutput {
public:
    bool open(int, MixFn) override { return false; }
    void close() override {}
    double latency() const override { return 0; }
};

} // namespace

bool PumpedOutput::open(int rate, MixFn mix) {
    rate_ = rate > 0 ? rate : 44100;
    mix_ = std::move(mix);
    played_ = 0;
    return static_cast<bool>(mix_);
}

void PumpedOutput::close() {
    mix_ = nullptr;
    deliver_ = nullptr;
}

double PumpedOutput::playedSeconds() const { return static_cast<double>(played_) / rate_; }

void PumpedOutput::attachNotifications(std::function<void()> deliver) { deliver_ = std::move(deliver); }

const std::vector<float> &PumpedOutput::pump(std::size_t frames) {
    buffer_.assign(2 * frames, 0.0f);
    // Copies: a callback may close this output (BASS_Free) while they run.
    const MixFn mix = mix_;
    if (!mix)
        return buffer_;
    if (frames > 0)
        mix(buffer_.data(), frames);
    played_ += frames;
    const std::function<void()> deliver = deliver_;
    if (deliver)
        deliver();
    return buffer_;
}

void PumpedOutput::pumpSeconds(double seconds) {
    auto left = static_cast<std::uint64_t>(std::llround(seconds * rate_));
    do {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kDeviceFrames));
        pump(n);
        left -= n;
    } while (left > 0 && mix_);
}

std::unique_ptr<AudioOutput> makeSdlOutput(int) { return std::make_unique<SdlOutput>(); }
std::unique_ptr<PumpedOutput> makePumpedOutput() { return std::make_unique<PumpedOutput>(); }
std::unique_ptr<AudioOutput> makeNullOutput() { return std::make_unique<NullOutput>(); }
std::unique_ptr<AudioOutput> makeMissingOutput() { return std::make_unique<MissingOutput>(); }

} // namespace cantora::audio
