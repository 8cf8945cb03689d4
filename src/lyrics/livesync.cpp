#include "lyrics/livesync.h"

#include "core/textcodec.h"

#include <cstdint>
#include <mutex>

namespace cantora::lyrics {

namespace {

std::mutex g_mutex;
MarkListener g_onMark;
EndListener g_onEnd;

} // namespace

void setLyricListeners(MarkListener onMark, EndListener onEnd) {
    std::lock_guard lock(g_mutex);
    g_onMark = std::move(onMark);
    g_onEnd = std::move(onEnd);
}

void LyricSync(HSYNC, DWORD channel, DWORD data, void *user) {
    try {
        auto type = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(user));
        MarkReached m;
        m.stream = channel;
        BASS_MIDI_MARK mark{};
        if (BASS_MIDI_StreamGetMark(channel, type, data, &mark) && mark.text)
            m.text = core::toUtf8(mark.text);
        QWORD tick = BASS_ChannelGetPosition(channel, BASS_POS_MIDI_TICK);
        m.tick = tick == static_cast<QWORD>(-1) ? 0 : static_cast<std::int32_t>(tick);
        std::lock_guard lock(g_mutex);
        if (g_onMark)
            g_onMark(m);
    } catch (...) {
        // Nothing may escape into the engine's thread.
    }
}

void EndSync(HSYNC, DWORD channel, DWORD, void *) {
    try {
        BASS_StreamFree(channel);
        BASS_MusicFree(channel);
        std::lock_guard lock(g_mutex);
        if (g_onEnd)
            g_onEnd(channel);
    } catch (...) {
    }
}

void registerLyricSync(HSTREAM stream, MarkSource source) {
    if (source == MarkSource::Lyric)
        BASS_ChannelSetSync(stream, BASS_SYNC_MIDI_LYRIC, 0, LyricSync,
                            reinterpret_cast<void *>(static_cast<std::uintptr_t>(BASS_MIDI_MARK_LYRIC)));
    else if (source == MarkSource::Text)
        BASS_ChannelSetSync(stream, BASS_SYNC_MIDI_TEXT, 0, LyricSync,
                            reinterpret_cast<void *>(static_cast<std::uintptr_t>(BASS_MIDI_MARK_TEXT)));
}

void registerEndSync(HSTREAM stream) { BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, EndSync, nullptr); }

} // namespace cantora::lyrics
