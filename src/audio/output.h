#pragma once
// Where the engine's mixed sound goes. A device pulls float stereo frames
// from the engine's mixer on a thread of its own, in real time; the pumped
// output instead mixes only when a test asks it to.
//
// Tests that must not wait on the wall clock (window, lyric and transport
// tests) install the pumped output before BASS_Init:
//
//     cantora::audio::PumpedOutput *out = nullptr;
//     cantora::audio::setOutputFactory([&](int) {
//         auto o = cantora::audio::makePumpedOutput();
//         out = o.get();
//         return o;
//     });
//     BASS_Init(-1, 44100, 0, nullptr, nullptr);
//     ... BASS_ChannelPlay(song, 0);
//     out->pumpSeconds(1.5);   // 1.5 s of the song, at once, on this thread
//
// pump() mixes the playing streams right away on the calling thread, then
// moves the engine's notification clock on by the frames it mixed and runs
// every callback (lyric, end, position...) that fell due, in order, on the
// calling thread, before it returns. No thread of the engine calls back, so
// a test sees each callback's effect as soon as pump() returns. Nothing
// moves between pumps: a position set or a sync posted by a call is
// delivered by the next pump (pump(0) delivers what is due now). After
// BASS_Free the output pumps silence; it lives until the next BASS_Init.
// Only one thread pumps.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace cantora::audio {

// Fills `frames` stereo float frames (interleaved L,R) with the mix.
using MixFn = std::function<void(float *out, std::size_t frames)>;

// An audio output device. open() starts pulling from `mix` on a thread the
// device owns; close() stops it and returns only when no pull is running.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Returns false (and leaves the device closed) when no device can be had.
    virtual bool open(int rate, MixFn mix) = 0;
    virtual void close() = 0;
    // Seconds between a sample being pulled and it being heard.
    virtual double latency() const = 0;

    // Outputs driven by hand answer true: the engine then runs its
    // notifications on this output's clock, when it calls `deliver`,
    // instead of on a thread of its own on the wall clock.
    virtual bool handDriven() const { return false; }
    // Seconds of sound played so far (hand-driven outputs).
    virtual double playedSeconds() const { return 0; }
    // Hand-driven outputs call `deliver` after each block they mix.
    virtual void attachNotifications(std::function<void()> deliver) { (void)deliver; }
};

// Mixes on demand, on the caller's thread (see the top of this file).
class PumpedOutput : public AudioOutput {
public:
    bool open(int rate, MixFn mix) override;
    void close() override;
    double latency() const override { return 0; }
    bool handDriven() const override { return true; }
    double playedSeconds() const override;
    void attachNotifications(std::function<void()> deliver) override;

    // Mixes `frames` frames, advances the clock by them and runs the
    // callbacks that fell due. Returns the mixed frames (interleaved L,R);
    // silence when closed.
    const std::vector<float> &pump(std::size_t frames);
    // Pumps `seconds` of sound in blocks of a real device's size, so that
    // callbacks fall at the same block boundaries as on a device.
    void pumpSeconds(double seconds);
    std::uint64_t framesPlayed() const { return played_; }
    bool isOpen() const { return static_cast<bool>(mix_); }

private:
    int rate_ = 44100;
    MixFn mix_;
    std::function<void()> deliver_;
    std::vector<float> buffer_;
    std::uint64_t played_ = 0;
};

// Creates the output for BASS_Init's device number (-1 = default).
using OutputFactory = std::function<std::unique_ptr<AudioOutput>(int device)>;

// Replaces the factory BASS_Init uses; an empty factory restores the SDL2 one.
void setOutputFactory(OutputFactory factory);

// SDL2 output (honours SDL_AUDIODRIVER, e.g. "dummy" in tests).
std::unique_ptr<AudioOutput> makeSdlOutput(int device);
// A device that pulls in real time on its own thread and discards the sound.
std::unique_ptr<AudioOutput> makeNullOutput();
// A device that never opens: BASS_Init then fails with BASS_ERROR_DEVICE.
std::unique_ptr<AudioOutput> makeMissingOutput();
// The hand-driven output (see the top of this file).
std::unique_ptr<PumpedOutput> makePumpedOutput();

// Test seam: the versions the two version queries report (0 = the real ones).
void overrideVersions(std::uint32_t bass, std::uint32_t fx);

} // namespace cantora::audio
