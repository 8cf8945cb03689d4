// bass.h, section "streams": making and freeing MIDI streams, transport,
// positions, decoding and syncs.

#include "audio/engine.h"
#include "audio/midifile.h"
#include "audio/songfile.h"

#include <cmath>

using namespace cantora::audio;

namespace {

HSTREAM createMidiStream(std::string_view bytes, const std::string &path, DWORD flags, DWORD freq) {
    Engine &e = Engine::instance();
    auto parsed = readMidi(bytes);
    if (!parsed.ok())
        return fail<HSTREAM>(BASS_ERROR_FILEFORM, 0);
    double rate;
    DWORD handle;
    std::vector<FontRecord> fonts;
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

// A stream of `length` bytes from `offset` (0 = to the end) of a song file.
// Only regular files are read; a song over the size limit is refused.
HSTREAM createFromPath(const std::string &path, QWORD offset, QWORD length, DWORD flags, DWORD freq) {
    const SongBytes song = readSongFile(path, offset, length);
    if (!song.ok())
        return fail<HSTREAM>(BASS_ERROR_FILEOPEN, 0);
    if (song.overLimit)
        return fail<HSTREAM>(BASS_ERROR_FILEFORM, 0);
    return createMidiStream(song.bytes, path, flags, freq);
}

} // namespace

HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD, void *proc, void *) {
    Engine &e = Engine::instance();
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
    Engine &e = Engine::instance();
    {
        std::lock_guard lock(e.table);
        if (e.probes.erase(handle))
            return ok<BOOL>(1);
    }
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        e.release(s);
        return ok<BOOL>(1);
    });
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
    return createFromPath(pathArg(file, flags), offset, length, flags, freq);
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
    Engine &e = Engine::instance();
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        {
            std::lock_guard tl(e.table);
            if (!e.output)
                return fail(BASS_ERROR_NOTAVAIL); // the "no sound" device plays nothing
        }
        if (s->isDecode())
            return fail(BASS_ERROR_DECODE);
        if (restart || s->ended)
            s->seek(0);
        s->state = Stream::State::Playing;
        e.setPlaying(s, true);
        return ok<BOOL>(1);
    });
}

BOOL BASS_ChannelPause(DWORD handle) {
    return withStream(handle, BOOL(0), [](const std::shared_ptr<Stream> &s) {
        if (s->isDecode())
            return fail(BASS_ERROR_DECODE);
        if (s->state != Stream::State::Playing)
            return fail(BASS_ERROR_NOPLAY);
        s->state = Stream::State::Paused;
        return ok<BOOL>(1);
    });
}

BOOL BASS_ChannelStop(DWORD handle) {
    return withStream(handle, BOOL(0), [](const std::shared_ptr<Stream> &s) {
        s->state = Stream::State::Stopped;
        Engine::instance().setPlaying(s, false);
        return ok<BOOL>(1);
    });
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    return withStream(handle, BASS_ACTIVE_STOPPED, [](const std::shared_ptr<Stream> &s) {
        setError(BASS_OK);
        if (s->isDecode())
            return s->ended ? BASS_ACTIVE_STOPPED : BASS_ACTIVE_PLAYING;
        switch (s->state) {
        case Stream::State::Playing: return BASS_ACTIVE_PLAYING;
        case Stream::State::Paused: return BASS_ACTIVE_PAUSED;
        default: return BASS_ACTIVE_STOPPED;
        }
    });
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO *info) {
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        if (!info)
            return fail(BASS_ERROR_ILLPARAM);
        *info = {};
        info->freq = static_cast<DWORD>(s->rate);
        info->chans = 2;
        info->flags = s->flags & ~BASS_UNICODE;
        info->ctype = 0x10D00; // MIDI
        info->filename = s->path.empty() ? nullptr : s->path.c_str();
        return ok<BOOL>(1);
    });
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    return withStream(handle, QWORD(-1), [&](const std::shared_ptr<Stream> &s) {
        if (mode == BASS_POS_BYTE)
            return ok<QWORD>(s->seq.lengthFrames() * 4);
        if (mode == BASS_POS_MIDI_TICK)
            return ok<QWORD>(s->seq.lastTick());
        return fail<QWORD>(BASS_ERROR_NOTAVAIL, QWORD(-1));
    });
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    return withStream(handle, QWORD(-1), [&](const std::shared_ptr<Stream> &s) {
        if (mode == BASS_POS_BYTE)
            return ok<QWORD>(s->seq.positionFrames() * 4);
        if (mode == BASS_POS_MIDI_TICK)
            return ok<QWORD>(static_cast<QWORD>(s->seq.tick() + 1e-6));
        return fail<QWORD>(BASS_ERROR_NOTAVAIL, QWORD(-1));
    });
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        std::uint64_t frame;
        if (mode == BASS_POS_BYTE)
            frame = pos / 4;
        else if (mode == BASS_POS_MIDI_TICK)
            frame = TempoMap::sampleOf(s->seq.tempoMap().tickToFrame(static_cast<double>(pos)));
        else
            return fail(BASS_ERROR_NOTAVAIL);
        if (frame > s->seq.lengthFrames())
            return fail(BASS_ERROR_POSITION);
        s->pending.clear();
        s->seek(frame);
        Engine::instance().postNow(s);
        return ok<BOOL>(1);
    });
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    return withStream(handle, -1.0,
                      [&](const std::shared_ptr<Stream> &s) { return ok(static_cast<double>(pos / 4) / s->rate); });
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double secs) {
    return withStream(handle, QWORD(-1), [&](const std::shared_ptr<Stream> &s) {
        if (!(secs >= 0))
            return fail<QWORD>(BASS_ERROR_ILLPARAM, QWORD(-1));
        return ok<QWORD>(static_cast<QWORD>(secs * s->rate + 1e-9) * 4);
    });
}

namespace {
// Float to 16-bit with the sign kept past full scale: clamped, never wrapped.
inline std::int16_t toPcm16(float x) {
    const float v = x * 32768.0f;
    return static_cast<std::int16_t>(v >= 32767.0f ? 32767 : v <= -32768.0f ? -32768 : std::lrintf(v));
}
} // namespace

DWORD BASS_ChannelGetData(DWORD handle, void *buffer, DWORD length) {
    return withStream(handle, DWORD(-1), [&](const std::shared_ptr<Stream> &s) {
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
            for (std::size_t i = 0; i < 2 * n; ++i)
                out[i] = toPcm16(s->scratch[i]);
        }
        if (n == 0 && frames > 0 && (s->ended || s->freed))
            return fail<DWORD>(BASS_ERROR_ENDED, DWORD(-1));
        return ok<DWORD>(static_cast<DWORD>(n * (isFloat ? 8 : 4)));
    });
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC proc, void *user) {
    return withStream(handle, HSYNC(0), [&](const std::shared_ptr<Stream> &s) {
        if (!proc)
            return fail<HSYNC>(BASS_ERROR_ILLPARAM, 0);
        switch (type & ~BASS_SYNC_MIXTIME) {
        case BASS_SYNC_END:
        case BASS_SYNC_SETPOS:
        case BASS_SYNC_MIDI_LYRIC:
        case BASS_SYNC_MIDI_TEXT:
        case BASS_SYNC_MIDI_MARK:
        case BASS_SYNC_MIDI_EVENT: break;
        default: return fail<HSYNC>(BASS_ERROR_ILLTYPE, 0);
        }
        return ok(s->addSync(Engine::instance().nextSync++, type, param, proc, user));
    });
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        return s->removeSync(sync) ? ok<BOOL>(1) : fail(BASS_ERROR_HANDLE);
    });
}
