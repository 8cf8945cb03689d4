// The engine's calls over the sequencer, synth, effects and output pieces.
//
// Locking: `Engine::table` guards the handle tables and is never held while
// a stream's lock is taken or a callback runs; a stream's own (recursive)
// lock guards everything inside it. So a sync callback may call back into
// the engine, for its own stream or another, without deadlocking.

#include "audio/bass.h"
#include "audio/fontregistry.h"
#include "audio/midifile.h"
#include "audio/output.h"
#include "audio/stream.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using cantora::audio::Stream;

namespace {

using Clock = std::chrono::steady_clock;
thread_local int t_error = BASS_OK;

template <typename T>
T fail(int code, T value) {
    t_error = code;
    return value;
}
BOOL fail(int code) { return fail<BOOL>(code, 0); }
template <typename T>
T ok(T value) {
    t_error = BASS_OK;
    return value;
}

// Runs the syncs of playing streams when their sound reaches the output, in
// order, on one thread, without any engine lock held.
class Notifier {
public:
    struct Item {
        Clock::time_point due;
        cantora::audio::DeferredSync sync;
        std::weak_ptr<Stream> stream;
        bool isEnd;
    };

    void start() {
        std::lock_guard lock(mutex_);
        if (thread_.joinable())
            return;
        stop_ = false;
        thread_ = std::thread([this] { run(); });
    }

    void stop() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
            queue_.clear();
        }
        cv_.notify_all();
        if (thread_.joinable()) {
            if (thread_.get_id() == std::this_thread::get_id())
                thread_.detach();   // BASS_Free from inside a callback
            else
                thread_.join();
        }
    }

    void post(std::vector<Item> &items) {
        if (items.empty())
            return;
        {
            std::lock_guard lock(mutex_);
            for (auto &i : items)
                queue_.push_back(std::move(i));
        }
        items.clear();
        cv_.notify_all();
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (queue_.empty()) {
                cv_.wait(lock);
                continue;
            }
            const auto due = queue_.front().due;
            if (Clock::now() < due) {
                cv_.wait_until(lock, due);
                continue;
            }
            Item item = std::move(queue_.front());
            queue_.pop_front();
            auto stream = item.stream.lock();
            // A stream freed by its owner gets no more callbacks; one freed
            // at its end (auto-free) still reports that end.
            const bool alive = stream && (!stream->freed || item.isEnd);
            stream.reset();
            if (!alive && !item.isEnd)
                continue;
            lock.unlock();
            item.sync.proc(item.sync.sync, item.sync.channel, item.sync.data, item.sync.user);
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Item> queue_;
    std::thread thread_;
    bool stop_ = false;
};

struct FxRef {
    std::weak_ptr<Stream> stream;
};

struct Engine {
    std::mutex table;
    bool initialised = false;
    int device = 0;
    int rate = 44100;
    std::unique_ptr<cantora::audio::AudioOutput> output;
    double latency = 0;
    std::map<DWORD, std::shared_ptr<Stream>> streams;
    std::map<DWORD, bool> probes;   // float probe streams
    std::map<HFX, FxRef> effects;
    std::vector<cantora::audio::FontRecord> defaultFonts;
    DWORD nextHandle = 0x10000;
    std::atomic<DWORD> nextSync{1};
    cantora::audio::OutputFactory factory;
    std::atomic<std::uint32_t> bassVersion{0}, fxVersion{0};

    // Streams the output mixes; the mixer copies the list under this lock.
    std::mutex playingMutex;
    std::vector<std::shared_ptr<Stream>> playing;
    // Touched only by the mixing thread.
    std::vector<std::shared_ptr<Stream>> mixList;
    std::vector<float> mixBuffer;
    std::vector<Notifier::Item> mixDeferred;

    Notifier notifier;
};

Engine &engine() {
    static Engine *e = new Engine;   // outlives static destructors of callers
    return *e;
}

std::shared_ptr<Stream> findStream(DWORD handle) {
    Engine &e = engine();
    std::lock_guard lock(e.table);
    auto it = e.streams.find(handle);
    return it == e.streams.end() ? nullptr : it->second;
}

void setPlaying(const std::shared_ptr<Stream> &s, bool on) {
    Engine &e = engine();
    std::lock_guard lock(e.playingMutex);
    auto it = std::find(e.playing.begin(), e.playing.end(), s);
    if (on && it == e.playing.end())
        e.playing.push_back(s);
    else if (!on && it != e.playing.end())
        e.playing.erase(it);
}

// Removes a stream from the tables; the object lives on while a render
// call or a callback still holds it.
void releaseStream(const std::shared_ptr<Stream> &s) {
    Engine &e = engine();
    {
        std::lock_guard lock(s->mutex);
        s->freed = true;
        s->seq.abortRender();
    }
    setPlaying(s, false);
    std::lock_guard lock(e.table);
    e.streams.erase(s->handle);
    for (auto it = e.effects.begin(); it != e.effects.end();) {
        auto owner = it->second.stream.lock();
        if (!owner || owner == s)
            it = e.effects.erase(it);
        else
            ++it;
    }
}

// The output's pull: mixes every playing stream into `out`.
void mix(float *out, std::size_t frames) {
    Engine &e = engine();
    std::fill(out, out + 2 * frames, 0.0f);
    {
        std::lock_guard lock(e.playingMutex);
        e.mixList.assign(e.playing.begin(), e.playing.end());
    }
    if (e.mixBuffer.size() < 2 * frames)
        e.mixBuffer.resize(2 * frames);
    const auto blockStart = Clock::now();
    const double latency = e.latency;
    for (auto &s : e.mixList) {
        bool finished = false;
        {
            std::lock_guard lock(s->mutex);
            if (s->state != Stream::State::Playing || s->freed)
                continue;
            s->pending.clear();
            const std::size_t n = s->renderFloat(e.mixBuffer.data(), frames);
            for (std::size_t i = 0; i < 2 * n; ++i)
                out[i] += e.mixBuffer[i];
            for (const auto &d : s->pending) {
                const auto due = blockStart + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(latency + d.frameOffset / s->rate));
                e.mixDeferred.push_back({due, d, s, d.isEnd});
            }
            s->pending.clear();
            if (s->ended) {
                s->state = Stream::State::Stopped;
                finished = true;
            }
        }
        if (finished) {
            setPlaying(s, false);
            if (s->flags & BASS_STREAM_AUTOFREE)
                releaseStream(s);
        }
    }
    e.mixList.clear();
    e.notifier.post(e.mixDeferred);
}

std::string utf16ToUtf8(const char16_t *w) {
    std::string out;
    for (; *w; ++w) {
        std::uint32_t c = *w;
        if (c >= 0xD800 && c < 0xDC00 && w[1] >= 0xDC00 && w[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (w[1] - 0xDC00);
            ++w;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string pathArg(const void *file, DWORD flags) {
    if (!file)
        return {};
    if (flags & BASS_UNICODE)
        return utf16ToUtf8(static_cast<const char16_t *>(file));
    return static_cast<const char *>(file);
}

// Larger than any real song; keeps a wrong file from filling memory.
constexpr std::uint64_t kMaxSongBytes = 64ull << 20;

HSTREAM createMidiStream(std::string_view bytes, const std::string &path, DWORD flags, DWORD freq) {
    Engine &e = engine();
    auto parsed = cantora::audio::readMidi(bytes);
    if (!parsed.ok())
        return fail<HSTREAM>(BASS_ERROR_FILEFORM, 0);
    double rate;
    DWORD handle;
    std::vector<cantora::audio::FontRecord> fonts;
    {
        std::lock_guard lock(e.table);
        if (!e.initialised)
            return fail<HSTREAM>(BASS_ERROR_INIT, 0);
        rate = freq ? freq : e.rate;
        handle = e.nextHandle++;
        fonts = e.defaultFonts;
    }
    std::shared_ptr<Stream> s;
    try {
        s = std::make_shared<Stream>(handle, flags, rate, parsed.file, path);
    } catch (...) {
        return fail<HSTREAM>(BASS_ERROR_MEM, 0);
    }
    if (!s->voice.ok())
        return fail<HSTREAM>(BASS_ERROR_MEM, 0);
    s->voice.setFonts(std::move(fonts));
    std::lock_guard lock(e.table);
    if (!e.initialised)
        return fail<HSTREAM>(BASS_ERROR_INIT, 0);
    e.streams[handle] = std::move(s);
    return ok(handle);
}

// Reads `length` bytes from `offset` (0 = to the end of the file) and makes
// a stream of them. Reading goes in growing blocks, so a huge or endless
// file costs no more than the size limit; a whole file over it is refused.
HSTREAM createFromPath(const std::string &path, QWORD offset, QWORD length, DWORD flags, DWORD freq) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail<HSTREAM>(BASS_ERROR_FILEOPEN, 0);
    in.seekg(static_cast<std::streamoff>(offset));
    const std::uint64_t want = length ? std::min<std::uint64_t>(length, kMaxSongBytes) : kMaxSongBytes + 1;
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(want, 1 << 20)), '\0');
    std::size_t got = 0;
    while (in && got < want) {
        if (got == bytes.size())
            bytes.resize(std::min<std::uint64_t>(want, bytes.size() * 2));
        in.read(bytes.data() + got, static_cast<std::streamsize>(bytes.size() - got));
        got += static_cast<std::size_t>(in.gcount());
    }
    if (in.bad())
        return fail<HSTREAM>(BASS_ERROR_FILEOPEN, 0);
    if (got > kMaxSongBytes)
        return fail<HSTREAM>(BASS_ERROR_FILEFORM, 0);
    bytes.resize(got);
    return createMidiStream(bytes, path, flags, freq);
}

} // namespace

namespace cantora::audio {

void setOutputFactory(OutputFactory factory) {
    Engine &e = engine();
    std::lock_guard lock(e.table);
    e.factory = std::move(factory);
}

void overrideVersions(std::uint32_t bass, std::uint32_t fx) {
    engine().bassVersion = bass;
    engine().fxVersion = fx;
}

} // namespace cantora::audio

// ---- device ----

DWORD BASS_GetVersion() {
    const auto v = engine().bassVersion.load();
    return v ? v : (BASSVERSION << 16) | 0x1100;
}

DWORD BASS_FX_GetVersion() {
    const auto v = engine().fxVersion.load();
    return v ? v : (BASSVERSION << 16) | 0x0C00;
}

BOOL BASS_Init(int device, DWORD freq, DWORD, void *, void *) {
    Engine &e = engine();
    std::unique_ptr<cantora::audio::AudioOutput> out;
    {
        std::lock_guard lock(e.table);
        if (e.initialised)
            return fail(BASS_ERROR_ALREADY);
        if (device < -1)
            return fail(BASS_ERROR_DEVICE);
        if (device != 0)
            out = e.factory ? e.factory(device) : cantora::audio::makeSdlOutput(device);
    }
    const int rate = freq ? static_cast<int>(freq) : 44100;
    if (device != 0) {
        if (!out || !out->open(rate, mix))
            return fail(BASS_ERROR_DEVICE);
    }
    std::lock_guard lock(e.table);
    e.initialised = true;
    e.device = device;
    e.rate = rate;
    e.latency = out ? out->latency() : 0;
    e.output = std::move(out);
    e.notifier.start();
    return ok<BOOL>(1);
}

BOOL BASS_Free() {
    Engine &e = engine();
    std::unique_ptr<cantora::audio::AudioOutput> out;
    std::vector<std::shared_ptr<Stream>> all;
    {
        std::lock_guard lock(e.table);
        if (!e.initialised)
            return fail(BASS_ERROR_INIT);
        e.initialised = false;
        out = std::move(e.output);
        for (auto &[h, s] : e.streams)
            all.push_back(s);
    }
    if (out)
        out->close();   // no mixing after this
    for (auto &s : all)
        releaseStream(s);
    {
        std::lock_guard lock(e.table);
        e.probes.clear();
        e.effects.clear();
    }
    e.notifier.stop();
    return ok<BOOL>(1);
}

BOOL BASS_SetConfig(DWORD option, DWORD) {
    // Effects always run on float samples, so the float option has nothing
    // to switch; it is accepted as set.
    if (option == BASS_CONFIG_FLOATDSP)
        return ok<BOOL>(1);
    return fail(BASS_ERROR_ILLTYPE);
}

int BASS_ErrorGetCode() { return t_error; }

// ---- streams ----

HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD, void *proc, void *) {
    Engine &e = engine();
    std::lock_guard lock(e.table);
    if (!e.initialised)
        return fail<HSTREAM>(BASS_ERROR_INIT, 0);
    // Only the probe for float output is supported: the mixer works in float
    // and every output takes it.
    if (proc || freq == 0 || chans == 0 || chans > 2)
        return fail<HSTREAM>(BASS_ERROR_NOTAVAIL, 0);
    const DWORD h = e.nextHandle++;
    e.probes[h] = true;
    return ok(h);
}

BOOL BASS_StreamFree(HSTREAM handle) {
    Engine &e = engine();
    {
        std::lock_guard lock(e.table);
        if (e.probes.erase(handle))
            return ok<BOOL>(1);
    }
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    releaseStream(s);
    return ok<BOOL>(1);
}

BOOL BASS_MusicFree(DWORD) { return fail(BASS_ERROR_HANDLE); }

HSTREAM BASS_MIDI_StreamCreateFile(BOOL mem, const void *file, QWORD offset, QWORD length, DWORD flags, DWORD freq) {
    if (!file)
        return fail<HSTREAM>(BASS_ERROR_FILEOPEN, 0);
    if (mem) {
        if (length == 0 || length > kMaxSongBytes)
            return fail<HSTREAM>(BASS_ERROR_FILEFORM, 0);
        const char *p = static_cast<const char *>(file) + offset;
        return createMidiStream(std::string_view(p, static_cast<std::size_t>(length)), {}, flags, freq);
    }
    const std::string path = pathArg(file, flags);
    return createFromPath(path, offset, length, flags, freq);
}

HSTREAM BASS_StreamCreateURL(const char *url, DWORD, DWORD flags, void *, void *) {
    if (!url)
        return fail<HSTREAM>(BASS_ERROR_FILEOPEN, 0);
    std::string path = url;
    if (path.rfind("file://", 0) == 0)
        path = path.substr(7);
    else if (path.find("://") != std::string::npos)
        return fail<HSTREAM>(BASS_ERROR_FILEOPEN, 0);
    return createFromPath(path, 0, 0, flags & ~(BASS_STREAM_BLOCK | BASS_UNICODE), 0);
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    {
        std::lock_guard tl(engine().table);
        if (!engine().output)
            return fail(BASS_ERROR_NOTAVAIL);   // the "no sound" device plays nothing
    }
    {
        std::lock_guard lock(s->mutex);
        if (s->isDecode())
            return fail(BASS_ERROR_DECODE);
        if (restart || s->ended)
            s->seek(0);
        s->state = Stream::State::Playing;
    }
    setPlaying(s, true);
    return ok<BOOL>(1);
}

BOOL BASS_ChannelPause(DWORD handle) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    std::lock_guard lock(s->mutex);
    if (s->isDecode())
        return fail(BASS_ERROR_DECODE);
    if (s->state != Stream::State::Playing)
        return fail(BASS_ERROR_NOPLAY);
    s->state = Stream::State::Paused;
    return ok<BOOL>(1);
}

BOOL BASS_ChannelStop(DWORD handle) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    {
        std::lock_guard lock(s->mutex);
        s->state = Stream::State::Stopped;
    }
    setPlaying(s, false);
    return ok<BOOL>(1);
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    auto s = findStream(handle);
    if (!s)
        return fail<DWORD>(BASS_ERROR_HANDLE, BASS_ACTIVE_STOPPED);
    std::lock_guard lock(s->mutex);
    t_error = BASS_OK;
    if (s->isDecode())
        return s->ended ? BASS_ACTIVE_STOPPED : BASS_ACTIVE_PLAYING;
    switch (s->state) {
    case Stream::State::Playing: return BASS_ACTIVE_PLAYING;
    case Stream::State::Paused: return BASS_ACTIVE_PAUSED;
    default: return BASS_ACTIVE_STOPPED;
    }
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO *info) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    if (!info)
        return fail(BASS_ERROR_ILLPARAM);
    std::lock_guard lock(s->mutex);
    *info = {};
    info->freq = static_cast<DWORD>(s->rate);
    info->chans = 2;
    info->flags = s->flags & ~BASS_UNICODE;
    info->ctype = 0x10D00;   // MIDI
    info->filename = s->path.empty() ? nullptr : s->path.c_str();
    return ok<BOOL>(1);
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    auto s = findStream(handle);
    if (!s)
        return fail<QWORD>(BASS_ERROR_HANDLE, QWORD(-1));
    std::lock_guard lock(s->mutex);
    if (mode == BASS_POS_BYTE)
        return ok<QWORD>(s->seq.lengthFrames() * 4);
    if (mode == BASS_POS_MIDI_TICK)
        return ok<QWORD>(s->seq.lastTick());
    return fail<QWORD>(BASS_ERROR_NOTAVAIL, QWORD(-1));
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    auto s = findStream(handle);
    if (!s)
        return fail<QWORD>(BASS_ERROR_HANDLE, QWORD(-1));
    std::lock_guard lock(s->mutex);
    if (mode == BASS_POS_BYTE)
        return ok<QWORD>(s->seq.positionFrames() * 4);
    if (mode == BASS_POS_MIDI_TICK)
        return ok<QWORD>(static_cast<QWORD>(s->seq.tick() + 1e-6));
    return fail<QWORD>(BASS_ERROR_NOTAVAIL, QWORD(-1));
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    std::vector<Notifier::Item> deferred;
    {
        std::lock_guard lock(s->mutex);
        std::uint64_t frame;
        if (mode == BASS_POS_BYTE)
            frame = pos / 4;
        else if (mode == BASS_POS_MIDI_TICK)
            frame = cantora::audio::TempoMap::sampleOf(s->seq.tempoMap().tickToFrame(static_cast<double>(pos)));
        else
            return fail(BASS_ERROR_NOTAVAIL);
        if (frame > s->seq.lengthFrames())
            return fail(BASS_ERROR_POSITION);
        s->pending.clear();
        s->seek(frame);
        for (const auto &d : s->pending)
            deferred.push_back({Clock::now(), d, s, d.isEnd});
        s->pending.clear();
    }
    engine().notifier.post(deferred);
    return ok<BOOL>(1);
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    auto s = findStream(handle);
    if (!s)
        return fail<double>(BASS_ERROR_HANDLE, -1);
    return ok(static_cast<double>(pos / 4) / s->rate);
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double secs) {
    auto s = findStream(handle);
    if (!s)
        return fail<QWORD>(BASS_ERROR_HANDLE, QWORD(-1));
    if (!(secs >= 0))
        return fail<QWORD>(BASS_ERROR_ILLPARAM, QWORD(-1));
    return ok<QWORD>(static_cast<QWORD>(secs * s->rate + 1e-9) * 4);
}

DWORD BASS_ChannelGetData(DWORD handle, void *buffer, DWORD length) {
    auto s = findStream(handle);
    if (!s)
        return fail<DWORD>(BASS_ERROR_HANDLE, DWORD(-1));
    std::lock_guard lock(s->mutex);
    if (!s->isDecode())
        return fail<DWORD>(BASS_ERROR_NOTAVAIL, DWORD(-1));
    if (!buffer)
        return fail<DWORD>(BASS_ERROR_ILLPARAM, DWORD(-1));
    if (s->ended)
        return fail<DWORD>(BASS_ERROR_ENDED, DWORD(-1));
    const bool isFloat = s->flags & BASS_SAMPLE_FLOAT;
    const std::size_t frames = length / (isFloat ? 8 : 4);
    std::size_t n;
    if (isFloat) {
        n = s->renderFloat(static_cast<float *>(buffer), frames);
    } else {
        if (s->scratch.size() < 2 * frames)
            s->scratch.resize(2 * frames);
        n = s->renderFloat(s->scratch.data(), frames);
        auto *out = static_cast<std::int16_t *>(buffer);
        const float *in = s->scratch.data();
        for (std::size_t i = 0; i < 2 * n; ++i) {
            const float v = in[i] * 32768.0f;
            out[i] = static_cast<std::int16_t>(v >= 32767.0f ? 32767 : v <= -32768.0f ? -32768 : std::lrintf(v));
        }
    }
    if (n == 0 && frames > 0 && (s->ended || s->freed))
        return fail<DWORD>(BASS_ERROR_ENDED, DWORD(-1));
    return ok<DWORD>(static_cast<DWORD>(n * (isFloat ? 8 : 4)));
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC proc, void *user) {
    auto s = findStream(handle);
    if (!s)
        return fail<HSYNC>(BASS_ERROR_HANDLE, 0);
    if (!proc)
        return fail<HSYNC>(BASS_ERROR_ILLPARAM, 0);
    switch (type & ~BASS_SYNC_MIXTIME) {
    case BASS_SYNC_END:
    case BASS_SYNC_SETPOS:
    case BASS_SYNC_MIDI_LYRIC:
    case BASS_SYNC_MIDI_TEXT:
    case BASS_SYNC_MIDI_MARK:
    case BASS_SYNC_MIDI_EVENT:
        break;
    default:
        return fail<HSYNC>(BASS_ERROR_ILLTYPE, 0);
    }
    std::lock_guard lock(s->mutex);
    return ok(s->addSync(engine().nextSync++, type, param, proc, user));
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    std::lock_guard lock(s->mutex);
    return s->removeSync(sync) ? ok<BOOL>(1) : fail(BASS_ERROR_HANDLE);
}

// ---- MIDI ----

BOOL BASS_MIDI_StreamGetMark(HSTREAM handle, DWORD type, DWORD index, BASS_MIDI_MARK *mark) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    if (type != BASS_MIDI_MARK_LYRIC && type != BASS_MIDI_MARK_TEXT)
        return fail(BASS_ERROR_ILLTYPE);
    std::lock_guard lock(s->mutex);
    const auto &list = s->seq.marks(type == BASS_MIDI_MARK_LYRIC ? cantora::audio::MarkKind::Lyric
                                                                 : cantora::audio::MarkKind::Text);
    if (index >= list.size())
        return fail(BASS_ERROR_ILLPARAM);
    if (mark) {
        const auto &m = list[index];
        mark->track = m.track;
        mark->pos = static_cast<DWORD>(m.sample * 4);
        mark->text = m.text.c_str();
        mark->tick = static_cast<DWORD>(m.tick);
    }
    return ok<BOOL>(1);
}

BOOL BASS_MIDI_StreamEvent(HSTREAM handle, DWORD chan, DWORD event, DWORD param) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    if (chan > 15)
        return fail(BASS_ERROR_ILLPARAM);
    std::lock_guard lock(s->mutex);
    const int ch = static_cast<int>(chan);
    const int v = static_cast<int>(std::min<DWORD>(param, 127));
    switch (event) {
    case MIDI_EVENT_PROGRAM: s->voice.programChange(ch, v); break;
    case MIDI_EVENT_VOLUME: s->voice.controller(ch, 7, v); break;
    case MIDI_EVENT_PAN: s->voice.controller(ch, 10, v); break;
    case MIDI_EVENT_REVERB: s->voice.controller(ch, 91, v); break;
    case MIDI_EVENT_CHORUS: s->voice.controller(ch, 93, v); break;
    case MIDI_EVENT_TEMPO:
        if (param == 0)
            return fail(BASS_ERROR_ILLPARAM);
        s->seq.setTempo(param);
        break;
    case MIDI_EVENT_TRANSPOSE:
        s->seq.setTranspose(ch, static_cast<int>(std::min<DWORD>(param, 200)) - 100, s->voice);
        break;
    default:
        return fail(BASS_ERROR_ILLTYPE);
    }
    return ok<BOOL>(1);
}

DWORD BASS_MIDI_StreamGetEvent(HSTREAM handle, DWORD chan, DWORD event) {
    auto s = findStream(handle);
    if (!s)
        return fail<DWORD>(BASS_ERROR_HANDLE, DWORD(-1));
    if (chan > 15)
        return fail<DWORD>(BASS_ERROR_ILLPARAM, DWORD(-1));
    std::lock_guard lock(s->mutex);
    const int ch = static_cast<int>(chan);
    switch (event) {
    case MIDI_EVENT_PROGRAM: return ok<DWORD>(s->voice.program(ch));
    case MIDI_EVENT_VOLUME: return ok<DWORD>(s->voice.controllerValue(ch, 7));
    case MIDI_EVENT_PAN: return ok<DWORD>(s->voice.controllerValue(ch, 10));
    case MIDI_EVENT_REVERB: return ok<DWORD>(s->voice.controllerValue(ch, 91));
    case MIDI_EVENT_CHORUS: return ok<DWORD>(s->voice.controllerValue(ch, 93));
    case MIDI_EVENT_TEMPO: return ok<DWORD>(s->seq.tempo());
    case MIDI_EVENT_TRANSPOSE: return ok<DWORD>(static_cast<DWORD>(100 + s->seq.transpose(ch)));
    default: return fail<DWORD>(BASS_ERROR_ILLTYPE, DWORD(-1));
    }
}

// ---- SoundFonts ----

HSOUNDFONT BASS_MIDI_FontInit(const void *file, DWORD flags) {
    const std::string path = pathArg(file, flags);
    if (path.empty())
        return fail<HSOUNDFONT>(BASS_ERROR_FILEOPEN, 0);
    cantora::audio::FontError err;
    const auto h = cantora::audio::FontRegistry::instance().open(path, err);
    if (!h)
        return fail<HSOUNDFONT>(err == cantora::audio::FontError::FileOpen ? BASS_ERROR_FILEOPEN
                                                                           : BASS_ERROR_FILEFORM, 0);
    return ok(h);
}

BOOL BASS_MIDI_FontFree(HSOUNDFONT handle) {
    return cantora::audio::FontRegistry::instance().close(handle) ? ok<BOOL>(1) : fail(BASS_ERROR_HANDLE);
}

BOOL BASS_MIDI_FontSetVolume(HSOUNDFONT handle, float volume) {
    auto &reg = cantora::audio::FontRegistry::instance();
    auto entry = reg.find(handle);
    if (!entry)
        return fail(BASS_ERROR_HANDLE);
    entry->volume = std::isfinite(volume) && volume > 0 ? volume : 0.0f;
    reg.volumeChanged();
    return ok<BOOL>(1);
}

float BASS_MIDI_FontGetVolume(HSOUNDFONT handle) {
    auto entry = cantora::audio::FontRegistry::instance().find(handle);
    if (!entry)
        return fail<float>(BASS_ERROR_HANDLE, -1.0f);
    return ok(entry->volume.load());
}

BOOL BASS_MIDI_FontGetInfo(HSOUNDFONT handle, BASS_MIDI_FONTINFO *info) {
    auto entry = cantora::audio::FontRegistry::instance().find(handle);
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
    auto &reg = cantora::audio::FontRegistry::instance();
    auto entry = reg.find(handle);
    if (!entry)
        return fail<const char *>(BASS_ERROR_HANDLE, nullptr);
    const char *name = reg.presetName(*entry->font, bank, preset);
    return name ? ok(name) : fail<const char *>(BASS_ERROR_ILLPARAM, nullptr);
}

BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT *fonts, DWORD count) {
    if (count && !fonts)
        return fail(BASS_ERROR_ILLPARAM);
    std::vector<cantora::audio::FontRecord> records;
    auto &reg = cantora::audio::FontRegistry::instance();
    for (DWORD i = 0; i < count; ++i)
        records.push_back({fonts[i].font ? reg.find(fonts[i].font) : nullptr, fonts[i].font, fonts[i].preset,
                           fonts[i].bank});
    if (handle == 0) {
        Engine &e = engine();
        std::lock_guard lock(e.table);
        e.defaultFonts = std::move(records);
        return ok<BOOL>(1);
    }
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    std::lock_guard lock(s->mutex);
    s->voice.setFonts(std::move(records));
    return ok<BOOL>(1);
}

DWORD BASS_MIDI_StreamGetFonts(HSTREAM handle, BASS_MIDI_FONT *fonts, DWORD count) {
    std::vector<cantora::audio::FontRecord> records;
    if (handle == 0) {
        Engine &e = engine();
        std::lock_guard lock(e.table);
        records = e.defaultFonts;
    } else {
        auto s = findStream(handle);
        if (!s)
            return fail<DWORD>(BASS_ERROR_HANDLE, DWORD(-1));
        std::lock_guard lock(s->mutex);
        records = s->voice.fonts();
    }
    if (!fonts)
        return ok<DWORD>(static_cast<DWORD>(records.size()));
    const DWORD n = std::min<DWORD>(count, static_cast<DWORD>(records.size()));
    for (DWORD i = 0; i < n; ++i)
        fonts[i] = {records[i].handle, records[i].preset, records[i].bank};
    return ok(n);
}

// ---- effects ----

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority) {
    auto s = findStream(handle);
    if (!s)
        return fail<HFX>(BASS_ERROR_HANDLE, 0);
    if (type != BASS_FX_BFX_PEAKEQ && type != BASS_FX_BFX_COMPRESSOR2)
        return fail<HFX>(BASS_ERROR_ILLTYPE, 0);
    Engine &e = engine();
    HFX id;
    {
        std::lock_guard lock(e.table);
        id = e.nextHandle++;
        e.effects[id] = {s};
    }
    std::lock_guard lock(s->mutex);
    s->addEffect(id, type, priority);
    return ok(id);
}

namespace {
std::shared_ptr<Stream> effectOwner(HFX fx) {
    Engine &e = engine();
    std::lock_guard lock(e.table);
    auto it = e.effects.find(fx);
    return it == e.effects.end() ? nullptr : it->second.stream.lock();
}
} // namespace

BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx) {
    auto s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    if (effectOwner(fx) != s)
        return fail(BASS_ERROR_HANDLE);
    {
        std::lock_guard lock(s->mutex);
        s->removeEffect(fx);
    }
    Engine &e = engine();
    std::lock_guard lock(e.table);
    e.effects.erase(fx);
    return ok<BOOL>(1);
}

BOOL BASS_FXSetParameters(HFX handle, const void *params) {
    auto s = effectOwner(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    std::lock_guard lock(s->mutex);
    auto *fx = s->effect(handle);
    if (!fx)
        return fail(BASS_ERROR_HANDLE);
    return fx->setParameters(params) ? ok<BOOL>(1) : fail(BASS_ERROR_ILLPARAM);
}

BOOL BASS_FXGetParameters(HFX handle, void *params) {
    auto s = effectOwner(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    std::lock_guard lock(s->mutex);
    auto *fx = s->effect(handle);
    if (!fx)
        return fail(BASS_ERROR_HANDLE);
    return fx->getParameters(params) ? ok<BOOL>(1) : fail(BASS_ERROR_ILLPARAM);
}
