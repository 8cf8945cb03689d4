#pragma once
// One FluidSynth synthesiser behind one stream.
//
// FluidSynth applies events at the start of its 64-frame blocks; the voice
// keeps that block grid aligned with the song's frames across seeks, so a
// song sounds the same whether played from the start or after a jump.
//
// Presets are not chosen by FluidSynth's own bank/program logic: on every
// program change (and whenever the font list changes) the channel's bank and
// program are resolved against the stream's font records (choosePreset) and
// the chosen font's preset is selected directly. A channel that no record
// serves is silent. Each font handle's volume becomes an attenuation on the
// channels it serves, and stays so whatever the song sends (a reset of all
// controllers included) until the volume changes.
//
// Threading: not thread-safe; the owning stream serialises every call.

#include "audio/fontregistry.h"
#include "audio/synthsink.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

struct _fluid_synth_t;

namespace cantora::audio {

class SynthVoice : public SynthSink {
public:
    // samplesOnDemand: load a preset's samples only when it is selected.
    SynthVoice(double rate, bool samplesOnDemand);
    ~SynthVoice() override;
    SynthVoice(const SynthVoice &) = delete;
    SynthVoice &operator=(const SynthVoice &) = delete;

    // False when FluidSynth could not make a synth.
    bool ok() const { return synth_ != nullptr; }

    // Replaces the font list; fonts are loaded into this synth as needed.
    void setFonts(std::vector<FontRecord> records);
    const std::vector<FontRecord> &fonts() const { return records_; }

    int program(int channel) const { return program_[channel & 15]; }
    int controllerValue(int channel, int number) const;

    void noteOn(int channel, int key, int velocity) override;
    void noteOff(int channel, int key) override;
    void controller(int channel, int number, int value) override;
    void programChange(int channel, int program) override;
    void pitchBend(int channel, int value14) override;
    void channelPressure(int channel, int value) override;
    void keyPressure(int channel, int key, int value) override;
    void allSoundsOff() override;
    void render(float *out, std::size_t frames) override;
    void alignBlocks(std::uint64_t frame) override;

private:
    void select(int channel);
    void applyVolume(int channel); // the serving font's volume as the channel's attenuation
    void applyVolumes();
    int fontId(const std::shared_ptr<LoadedFont> &font);

    _fluid_synth_t *synth_ = nullptr;
    void *settings_ = nullptr;
    std::vector<FontRecord> records_;
    // Fonts loaded into this synth, kept alive while loaded here.
    std::map<LoadedFont *, std::pair<std::shared_ptr<LoadedFont>, int>> loaded_;
    std::array<int, 16> program_{};
    std::array<int, 16> bankMsb_{};
    std::array<int, 16> servingRecord_;
    std::uint32_t volumeGen_ = ~0u;
    std::uint64_t rendered_ = 0; // frames rendered since the synth was made
};

} // namespace cantora::audio
