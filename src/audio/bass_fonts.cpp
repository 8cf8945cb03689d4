// bass.h, section "SoundFonts": font handles and the streams' font lists.

#include "audio/engine.h"

#include <cmath>

using namespace cantora::audio;

HSOUNDFONT BASS_MIDI_FontInit(const void *file, DWORD flags) {
    const std::string path = pathArg(file, flags);
    if (path.empty())
        return fail<HSOUNDFONT>(BASS_ERROR_FILEOPEN, 0);
    FontError err;
    const auto h = FontRegistry::instance().open(path, err);
    if (!h)
        return fail<HSOUNDFONT>(err == FontError::FileOpen ? BASS_ERROR_FILEOPEN : BASS_ERROR_FILEFORM, 0);
    return ok(h);
}

BOOL BASS_MIDI_FontFree(HSOUNDFONT handle) {
    return FontRegistry::instance().close(handle) ? ok<BOOL>(1) : fail(BASS_ERROR_HANDLE);
}

BOOL BASS_MIDI_FontSetVolume(HSOUNDFONT handle, float volume) {
    auto &reg = FontRegistry::instance();
    auto entry = reg.find(handle);
    if (!entry)
        return fail(BASS_ERROR_HANDLE);
    entry->volume = std::isfinite(volume) && volume > 0 ? volume : 0.0f;
    reg.volumeChanged();
    return ok<BOOL>(1);
}

float BASS_MIDI_FontGetVolume(HSOUNDFONT handle) {
    auto entry = FontRegistry::instance().find(handle);
    if (!entry)
        return fail<float>(BASS_ERROR_HANDLE, -1.0f);
    return ok(entry->volume.load());
}

BOOL BASS_MIDI_FontGetInfo(HSOUNDFONT handle, BASS_MIDI_FONTINFO *info) {
    auto entry = FontRegistry::instance().find(handle);
    if (!entry)
        return fail(BASS_ERROR_HANDLE);
    if (!info)
        return fail(BASS_ERROR_ILLPARAM);
    const auto &f = *entry->font;
    info->name = f.info.name.c_str();
    info->copyright = f.info.copyright.c_str();
    info->comment = f.info.comment.c_str();
    info->presets = f.presets;
    info->samsize = f.info.sampleBytes;
    return ok<BOOL>(1);
}

const char *BASS_MIDI_FontGetPreset(HSOUNDFONT handle, int preset, int bank) {
    auto &reg = FontRegistry::instance();
    auto entry = reg.find(handle);
    if (!entry)
        return fail<const char *>(BASS_ERROR_HANDLE, nullptr);
    const char *name = reg.presetName(*entry->font, bank, preset);
    return name ? ok(name) : fail<const char *>(BASS_ERROR_ILLPARAM, nullptr);
}

BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT *fonts, DWORD count) {
    if (count && !fonts)
        return fail(BASS_ERROR_ILLPARAM);
    std::vector<FontRecord> records;
    auto &reg = FontRegistry::instance();
    for (DWORD i = 0; i < count; ++i)
        records.push_back(
            {fonts[i].font ? reg.find(fonts[i].font) : nullptr, fonts[i].font, fonts[i].preset, fonts[i].bank});
    if (handle == 0) {
        Engine &e = Engine::instance();
        std::lock_guard lock(e.table);
        e.defaultFonts = std::move(records);
        return ok<BOOL>(1);
    }
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        s->voice.setFonts(std::move(records));
        return ok<BOOL>(1);
    });
}

DWORD BASS_MIDI_StreamGetFonts(HSTREAM handle, BASS_MIDI_FONT *fonts, DWORD count) {
    std::vector<FontRecord> records;
    if (handle == 0) {
        Engine &e = Engine::instance();
        std::lock_guard lock(e.table);
        records = e.defaultFonts;
    } else if (!withStream(handle, false, [&](const std::shared_ptr<Stream> &s) {
                   records = s->voice.fonts();
                   return true;
               })) {
        return DWORD(-1);
    }
    if (!fonts)
        return ok<DWORD>(static_cast<DWORD>(records.size()));
    const DWORD n = std::min<DWORD>(count, static_cast<DWORD>(records.size()));
    for (DWORD i = 0; i < n; ++i)
        fonts[i] = {records[i].handle, records[i].preset, records[i].bank};
    return ok(n);
}
