#pragma once
// The SoundFonts of the player: one main font that serves every preset, and
// per-channel fonts that each serve the one program their channel plays
// (on the drum channel, the font's drum kit). The font list built here is
// handed to the song stream and, as the default list, to every stream
// created later (replay, rendering).
//
// Threading: UI thread only.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/bass.h"

namespace cantora::player {

class SoundFonts {
public:
    // The drum channel (shown to the user as channel 10).
    static constexpr int kDrumChannel = 9;

    HSOUNDFONT mainFont = 0;
    std::string mainFontPath;
    std::string mainFontAccepted; // "OK" when the settings name a user-chosen main font
    std::string lastFolder;       // folder of the last channel font, trailing "/"
    HSOUNDFONT newFont = 0;       // the font most recently loaded for a channel
    std::array<BASS_MIDI_FONT, 17> records{};
    std::int16_t count = 0; // channel records in use; the main record follows them
    std::array<HSOUNDFONT, 16> handles{};
    std::array<std::int16_t, 16> presets{};
    std::array<bool, 16> hasFont{};
    std::array<std::int16_t, 16> recordIndex{};
    std::int16_t nextIndex = 0;
    std::int16_t chosenChannel = 0;
    std::vector<std::string> drumNames;
    std::vector<int> drumPresets; // the preset number of each kit in drumNames
    bool drumStale = true;
    bool multiFont = false; // CmdMulti: the song renders with the channel fonts too

    // Font_General: free the main font and load the accepted path, or the
    // default font (which then becomes the main font path); the main font
    // alone becomes the list of new streams and of `song`.
    void fontGeneral(const std::string &defaultPath, HSTREAM song);

    // Replace: load `path` as the main font. When it loads, the main font
    // alone becomes the default list, then `wait(1000)` runs, then the song's
    // list; channel fonts drop out of the song. Returns the new handle; the
    // caller re-applies the volume.
    HSOUNDFONT replaceMain(const std::string &path, HSTREAM song, void (*wait)(int ms, void *ctx), void *ctx);

    // First half of a channel font choice: reloads the main font, loads
    // `path` for `channel` (which plays `program`) and rebuilds the records.
    void assignChannelFont(int channel, const std::string &path, int program);
    // Second half: hands the records to new streams (16) and to `song`
    // (count + 1); the caller re-applies the volume.
    void applyChannelFonts(HSTREAM song);

    // Turns the drum channel's record into its font's drum kit (bank 128, preset 0).
    void SoloDrum();

    // The names of the main font's drum kits (bank 128), in preset order,
    // rebuilt (with drumPresets) when the list is stale.
    const std::vector<std::string> &Drum();

    // SoundFont volume on the main font and every channel font.
    void applyVolume(float v);

    // Forgets every channel font assignment (the fonts stay loaded).
    void clearChannelFonts();

    // The main font's name for the SoundFont label; empty when it has none.
    bool mainFontName(std::string &name) const;
};

} // namespace cantora::player
