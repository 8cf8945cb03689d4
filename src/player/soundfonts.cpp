#include "player/soundfonts.h"

namespace cantora::player {

namespace {

BASS_MIDI_FONT mainRecord(HSOUNDFONT font) { return BASS_MIDI_FONT{font, -1, 0}; }

} // namespace

void SoundFonts::fontGeneral(const std::string &defaultPath, HSTREAM song) {
    const std::string before = mainFontPath;
    const bool hadFont = mainFont != 0;
    BASS_MIDI_FontFree(mainFont);
    if (mainFontAccepted == "OK") {
        mainFont = BASS_MIDI_FontInit(mainFontPath.c_str(), 0);
    } else {
        mainFont = BASS_MIDI_FontInit(defaultPath.c_str(), 0);
        mainFontPath = defaultPath;
    }
    // Reloading the same file keeps its kits; another file (or none) does not.
    if (mainFontPath != before || hadFont != (mainFont != 0))
        drumStale = true;
    BASS_MIDI_FONT one = mainRecord(mainFont);
    BASS_MIDI_StreamSetFonts(0, &one, 1);
    BASS_MIDI_StreamSetFonts(song, &one, 1);
}

HSOUNDFONT SoundFonts::replaceMain(const std::string &path, HSTREAM song, void (*wait)(int, void *), void *ctx) {
    drumStale = true;
    BASS_MIDI_FontFree(mainFont);
    mainFont = BASS_MIDI_FontInit(path.c_str(), 0);
    mainFontPath = path;
    if (mainFont != 0) {
        BASS_MIDI_FONT one = mainRecord(mainFont);
        BASS_MIDI_StreamSetFonts(0, &one, 1);
        if (wait)
            wait(1000, ctx);
        BASS_MIDI_StreamSetFonts(song, &one, 1);
    }
    return mainFont;
}

void SoundFonts::assignChannelFont(int channel, const std::string &path, int program) {
    if (channel < 0 || channel > 15)
        return;
    chosenChannel = static_cast<std::int16_t>(channel);
    BASS_MIDI_FontFree(mainFont);
    mainFont = BASS_MIDI_FontInit(mainFontPath.c_str(), 0);
    newFont = BASS_MIDI_FontInit(path.c_str(), 0);

    bool added = false;
    if (!hasFont[channel]) {
        if (count >= 16)
            return;
        recordIndex[channel] = nextIndex;
        handles[count] = newFont;
        presets[count] = static_cast<std::int16_t>(program);
        hasFont[channel] = true;
        for (int k = 0; k <= count; ++k) {
            records[k].font = handles[k];
            records[k].preset = presets[k];
        }
        added = true;
    } else {
        // Only this channel's own record (and its handle slot) change.
        int idx = recordIndex[channel];
        handles[idx] = newFont;
        presets[idx] = static_cast<std::int16_t>(program);
        records[idx].font = newFont;
        records[idx].preset = program;
    }
    if (chosenChannel == kDrumChannel)
        SoloDrum();
    if (added) {
        ++count;
        ++nextIndex;
    }
    records[count] = mainRecord(mainFont);
}

void SoundFonts::applyChannelFonts(HSTREAM song) {
    BASS_MIDI_StreamSetFonts(0, records.data(), 16);
    BASS_MIDI_StreamSetFonts(song, records.data(), static_cast<DWORD>(count + 1));
}

void SoundFonts::SoloDrum() {
    if (chosenChannel != kDrumChannel)
        return;
    int idx = recordIndex[kDrumChannel];
    records[idx] = BASS_MIDI_FONT{newFont, 0, 128};
    presets[idx] = 0;
    chosenChannel = 0;
}

const std::vector<std::string> &SoundFonts::Drum() {
    if (drumStale) {
        drumNames.clear();
        drumPresets.clear();
        for (int p = 0; p <= 127; ++p) {
            if (const char *name = BASS_MIDI_FontGetPreset(mainFont, p, 128)) {
                drumNames.emplace_back(name);
                drumPresets.push_back(p);
            }
        }
        drumStale = false;
    }
    return drumNames;
}

void SoundFonts::applyVolume(float v) {
    BASS_MIDI_FontSetVolume(mainFont, v);
    for (int k = 0; k < count && k < 16; ++k)
        BASS_MIDI_FontSetVolume(handles[k], v);
}

void SoundFonts::clearChannelFonts() {
    hasFont.fill(false);
    records.fill(BASS_MIDI_FONT{});
    handles.fill(0);
    presets.fill(0);
    recordIndex.fill(0);
    count = 0;
    nextIndex = 0;
}

bool SoundFonts::mainFontName(std::string &name) const {
    BASS_MIDI_FONTINFO info{};
    if (!BASS_MIDI_FontGetInfo(mainFont, &info))
        return false;
    name = info.name ? info.name : "";
    return true;
}

} // namespace cantora::player
