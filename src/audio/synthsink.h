#pragma once
// What the sequencer plays into: a synthesiser that takes channel messages
// and renders stereo float frames. FluidSynth behind a stream; a recording
// fake in tests.

#include <cstddef>
#include <cstdint>

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
    // After a jump to song frame `frame`: a synth that works in fixed blocks
    // lines its block grid up with the song's again, so that events land on
    // the same samples as in a render from the start.
    virtual void alignBlocks(std::uint64_t frame) { (void)frame; }
};

} // namespace cantora::audio
