#include "lyrics/livesync.h"

#include "core/textcodec.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace cantora::lyrics {

namespace {

struct Entry {
    HSTREAM stream;
    StreamListeners listeners;
};

// Every listener of every stream, by subscription id. Reports are made
// under the lock, so a subscription that is reset hears nothing after.
struct Registry {
    std::recursive_mutex mutex;
    std::map<std::uint64_t, Entry> entries;
    std::uint64_t nextId = 1;
};

Registry &registry() {
    static Registry r;
    return r;
}

template <class Fn>
void forEachListener(HSTREAM stream, Fn fn) {
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    for (auto &[id, e] : r.entries)
        if (e.stream == stream)
            fn(e.listeners);
}

} // namespace

StreamSubscription::StreamSubscription(HSTREAM stream, StreamListeners listeners) : stream_(stream) {
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    id_ = r.nextId++;
    r.entries.emplace(id_, Entry{stream, std::move(listeners)});
}

StreamSubscription::StreamSubscription(StreamSubscription &&other) noexcept : stream_(other.stream_), id_(other.id_) {
    other.stream_ = 0;
    other.id_ = 0;
}

StreamSubscription &StreamSubscription::operator=(StreamSubscription &&other) noexcept {
    if (this != &other) {
        reset();
        stream_ = other.stream_;
        id_ = other.id_;
        other.stream_ = 0;
        other.id_ = 0;
    }
    return *this;
}

void StreamSubscription::reset() {
    if (id_ == 0)
        return;
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    r.entries.erase(id_);
    id_ = 0;
    stream_ = 0;
}

MarkReached readMark(HSTREAM stream, DWORD type, DWORD index) {
    MarkReached m;
    m.stream = stream;
    BASS_MIDI_MARK mark{};
    if (BASS_MIDI_StreamGetMark(stream, type, index, &mark) && mark.text)
        m.text = core::toUtf8(mark.text);
    QWORD tick = BASS_ChannelGetPosition(stream, BASS_POS_MIDI_TICK);
    m.tick = tick == static_cast<QWORD>(-1) ? 0 : static_cast<std::int32_t>(tick);
    return m;
}

void reportMark(const MarkReached &mark) {
    forEachListener(mark.stream, [&](StreamListeners &l) {
        if (l.onMark)
            l.onMark(mark);
    });
}

void reportCapture(const MarkReached &mark) {
    forEachListener(mark.stream, [&](StreamListeners &l) {
        if (l.onCapture)
            l.onCapture(mark);
    });
}

void reportEnd(HSTREAM stream) {
    forEachListener(stream, [&](StreamListeners &l) {
        if (l.onEnd)
            l.onEnd(stream);
    });
}

void LyricSync(HSYNC, DWORD channel, DWORD data, void *user) {
    try {
        auto type = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(user));
        reportMark(readMark(channel, type, data));
    } catch (...) {
        // Nothing may escape into the engine's thread.
    }
}

void EndSync(HSYNC, DWORD channel, DWORD, void *) {
    try {
        BASS_StreamFree(channel);
        BASS_MusicFree(channel);
        reportEnd(channel);
    } catch (...) {}
}

HSYNC registerLyricSync(HSTREAM stream, MarkSource source) {
    if (source == MarkSource::None)
        return 0;
    const DWORD type = source == MarkSource::Lyric ? BASS_SYNC_MIDI_LYRIC : BASS_SYNC_MIDI_TEXT;
    return BASS_ChannelSetSync(stream, type, 0, LyricSync,
                               reinterpret_cast<void *>(static_cast<std::uintptr_t>(static_cast<DWORD>(source))));
}

void registerEndSync(HSTREAM stream) { BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, EndSync, nullptr); }

} // namespace cantora::lyrics
