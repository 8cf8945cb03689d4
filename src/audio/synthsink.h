#pragma once
// What the sequencer plays into: a synthesiser that takes channel messages
// and renders stereo float frames. FluidSynth behind a stream; a recording
// fake in tests.

#include <cstddef>

namespace cantora::audio {

class SynthSink {
public:
    virtual ~SynthSink() = default;
    virtual void noteOn(int channel, int key, int velocity) = 0;
    virtual void noteOff(int channel, int key) = 0;
    virtual void controller(int channel, int number, int value) = 0;
    virtual void programChange(int channel, int program) = 0;
    // value14: 0..16383, 8192 = centre.
    virtual void pitchBend(int channel, int value14) = 0;
    virtual void channelPressure(int channel, int value) = 0;
    virtual void keyPressure(int channel, int key, int value) = 0;
    // Silences every voice at once (used before a seek's chase).
    virtual void allSoundsOff() = 0;
    // Renders `frames` interleaved stereo frames, overwriting `out`.
    virtual void render(float *out, std::size_t frames) = 0;
};

} // namespace cantora::audio
