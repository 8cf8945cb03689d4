#pragma once
// Where the engine's mixed sound goes. The device pulls 16-bit or float
// stereo frames from the engine's mixer on a thread of its own.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

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

// Test seam: the versions the two version queries report (0 = the real ones).
void overrideVersions(std::uint32_t bass, std::uint32_t fx);

} // namespace cantora::audio
