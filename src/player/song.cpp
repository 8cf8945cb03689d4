#include "player/song.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cantora::player {

std::string TipoFile(std::string_view fileBytes) {
    if (fileBytes.size() < 10)
        return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "&H%X%X", static_cast<unsigned char>(fileBytes[8]),
                  static_cast<unsigned char>(fileBytes[9]));
    return buf;
}

std::string timeText(long long elapsed, long long length) {
    elapsed = std::max(elapsed, 0LL);
    length = std::max(length, 0LL);
    char buf[96];
    std::snprintf(buf, sizeof buf, "Time: %lld:%02lld / %lld:%02lld", elapsed / 60, elapsed % 60, length / 60,
                  length % 60);
    return buf;
}

std::string bpmText(std::int32_t tempo, float factor) {
    double t = static_cast<double>(tempo) * factor;
    if (t <= 0)
        return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", 60000000.0 / t);
    return buf;
}

long long roundedSeconds(HSTREAM stream, QWORD bytes) {
    if (bytes == static_cast<QWORD>(-1))
        return -1;
    double s = BASS_ChannelBytes2Seconds(stream, bytes);
    if (s < 0)
        return -1;
    return std::llround(s);
}

void ApplyTempo(HSTREAM stream, SongTempo &tempo, bool reread) {
    if (reread)
        tempo.tempo = static_cast<std::int32_t>(BASS_MIDI_StreamGetEvent(stream, 0, MIDI_EVENT_TEMPO));
    double value = static_cast<double>(tempo.tempo.load()) * tempo.tempoFactor.load();
    BASS_MIDI_StreamEvent(stream, 0, MIDI_EVENT_TEMPO, static_cast<DWORD>(std::lround(value)));
}

namespace {

void TempoSync(HSYNC, DWORD channel, DWORD, void *user) { ApplyTempo(channel, *static_cast<SongTempo *>(user), true); }

} // namespace

void registerTempoSyncs(HSTREAM stream, SongTempo &tempo) {
    BASS_ChannelSetSync(stream, BASS_SYNC_MIDI_EVENT | BASS_SYNC_MIXTIME, MIDI_EVENT_TEMPO, TempoSync, &tempo);
    BASS_ChannelSetSync(stream, BASS_SYNC_SETPOS | BASS_SYNC_MIXTIME, 0, TempoSync, &tempo);
}

} // namespace cantora::player
