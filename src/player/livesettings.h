#pragma once
// Every control the user can change while a song plays, as one value, and
// the one function that puts it on a stream. Play, replay and seek use it on
// the song stream; the renderer uses it through LiveBlockHook before each
// block, so a rendered file sounds as the player did.
//
// Re-applying is cheap and safe: what a stream already holds from an earlier
// application (LiveApplied) is not sent again, and a channel the user left
// alone gets nothing, so the song's own controller and program changes
// stand. Threading: the caller's thread; the stream calls are thread-safe.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/bass.h"

namespace cantora::player {

class SoundFonts;

// One channel's live controls; an empty value leaves the song's own in force.
struct ChannelLive {
    std::optional<int> program; // instrument chosen on the strip, 0-127
    std::optional<int> volume;  // controller 7, 0-127
    std::optional<int> pan;     // controller 10, 0-127
    std::optional<int> chorus;  // controller 93, 0-127
    std::optional<int> reverb;  // controller 91, 0-127
    int key = 0;                // semitones added to the song key on this channel
    // The player's key slider moved (or the stream was rebuilt) since this
    // channel's own key last moved: the player then sends the global key
    // alone here. A render always adds both.
    bool keyOverridden = false;
    bool mute = false;
    bool solo = false;
    bool operator==(const ChannelLive &) const = default;
};

struct LiveSettings {
    static constexpr int kDrumChannel = 9; // never transposed; its program is the drum kit

    float tempoFactor = 1.0f; // the song's tempo value × this (above 1 = slower)
    int key = 0;              // semitones on every channel but the drums
    std::array<ChannelLive, 16> channels{};
    std::optional<int> drumKit;      // program of the drum channel, wins over its strip's
    std::optional<float> fontVolume; // every SoundFont's volume, 0-1; empty = as loaded
    bool equalizer = false;          // the seven-band equaliser
    std::array<float, 7> eqGains{};  // dB per band, -10…10
    bool compressor = false;         // the compressor
    float compressorGain = 2.0f;     // its make-up gain, dB (2-15)

    // The equaliser's bands: centres in Hz, each 2.5 octaves wide.
    static constexpr std::array<float, 7> kEqCentres{80, 200, 1500, 4000, 7500, 10000, 12000};
    static constexpr float kEqBandwidth = 2.5f;
    static constexpr float kEqQ = 1.0f;
    // The compressor's fixed settings.
    static constexpr float kCompThreshold = -15, kCompRatio = 3, kCompAttack = 10, kCompRelease = 200;
    bool operator==(const LiveSettings &) const = default;

    // Transpose in semitones a channel gets (0 on the drum channel).
    int transposeOf(int channel) const;
    // False when the channel is muted, or another channel is soloed and this one is not.
    bool audible(int channel) const;
};

// What a stream holds of the live settings; starts as a fresh stream is.
struct LiveApplied {
    std::array<int, 16> transpose{};            // semitones in force (the engine keeps them over seeks)
    std::array<std::optional<int>, 16> program; // held by the engine against the song's program changes
    // Held by the engine against the song's own controllers (0 = muted);
    // empty = the channel follows the song.
    std::array<std::optional<int>, 16> volume;
    std::array<std::optional<int>, 16> pan;
    std::array<std::optional<int>, 16> chorus;
    std::array<std::optional<int>, 16> reverb;
    std::optional<float> fontVolume;
    HFX equalizer = 0;                           // effect handles on the stream, 0 = none
    std::optional<std::array<float, 7>> eqGains; // what the equaliser's bands hold
    HFX compressor = 0;
    std::optional<float> compressorGain;
    std::uint32_t tempoSent = 0; // 0 = the song's own tempo is in force
    int eventsSent = 0;          // events the last application sent

    // After a seek the engine has chased the song's own tempo back: it goes
    // out again on the next application.
    void afterSeek();
};

// Puts `wanted` on `stream`: tempo (`songTempo`, the song's OWN tempo at the
// stream's position, × the factor, clamped to MIDI's range), per-channel key,
// programs and drum kit, channel controllers and mute/solo (the engine holds
// each against the song's own; a channel the user gives back follows the
// song again), the equaliser and the compressor, and the font volume on
// `fonts` (when given). Sends only what `applied` says differs.
void applyLiveSettings(HSTREAM stream, const LiveSettings &wanted, LiveApplied &applied, std::uint32_t songTempo,
                       SoundFonts *fonts = nullptr);

// The tempo value a song tempo gets under a factor: rounded, within 1…16,777,215.
std::uint32_t scaledTempo(std::uint32_t songTempo, float factor);

// The renderer's per-block hook: applies the settings before the first block
// and before every block after, with the song's own tempo at the stream's
// position (which the engine keeps apart from the tempo we send). Fits
// render::RenderBlockFn (bool(HSTREAM, std::int64_t)); copies share state.
class LiveBlockHook {
public:
    explicit LiveBlockHook(LiveSettings settings);
    bool operator()(HSTREAM stream, std::int64_t position);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace cantora::player
