// bass.h, section "MIDI": marks and MIDI events sent to or read from a stream.

#include "audio/engine.h"

#include <algorithm>

using namespace cantora::audio;

namespace {
// The controller number behind a holdable event; 0 for any other event.
int controllerOf(DWORD event) {
    switch (event) {
    case MIDI_EVENT_PROGRAM: return Sequencer::kProgram;
    case MIDI_EVENT_VOLUME: return 7;
    case MIDI_EVENT_PAN: return 10;
    case MIDI_EVENT_REVERB: return 91;
    case MIDI_EVENT_CHORUS: return 93;
    default: return 0;
    }
}
} // namespace

BOOL BASS_MIDI_StreamGetMark(HSTREAM handle, DWORD type, DWORD index, BASS_MIDI_MARK *mark) {
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        if (type != BASS_MIDI_MARK_LYRIC && type != BASS_MIDI_MARK_TEXT)
            return fail(BASS_ERROR_ILLTYPE);
        const auto &list = s->seq.marks(type == BASS_MIDI_MARK_LYRIC ? MarkKind::Lyric : MarkKind::Text);
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
    });
}

BOOL BASS_MIDI_StreamEvent(HSTREAM handle, DWORD chan, DWORD event, DWORD param) {
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        if (chan > 15)
            return fail(BASS_ERROR_ILLPARAM);
        const int ch = static_cast<int>(chan);
        const int v = static_cast<int>(std::min<DWORD>(param, 127));
        switch (event) {
        // A program or controller set here holds against the song's own
        // until the stream ends or releaseController gives it back.
        case MIDI_EVENT_PROGRAM:
            s->voice.programChange(ch, v);
            s->seq.holdController(ch, Sequencer::kProgram, v);
            break;
        case MIDI_EVENT_VOLUME:
        case MIDI_EVENT_PAN:
        case MIDI_EVENT_REVERB:
        case MIDI_EVENT_CHORUS: {
            const int cc = controllerOf(event);
            s->voice.controller(ch, cc, v);
            s->seq.holdController(ch, cc, v);
            break;
        }
        case MIDI_EVENT_TEMPO:
            // Clamped to what a tempo event can hold (1 to 16,777,215 us).
            s->seq.setTempo(param);
            break;
        case MIDI_EVENT_TRANSPOSE: s->seq.setTranspose(ch, static_cast<int>(std::min<DWORD>(param, 200)) - 100); break;
        default: return fail(BASS_ERROR_ILLTYPE);
        }
        return ok<BOOL>(1);
    });
}

DWORD BASS_MIDI_StreamGetEvent(HSTREAM handle, DWORD chan, DWORD event) {
    return withStream(handle, DWORD(-1), [&](const std::shared_ptr<Stream> &s) {
        if (chan > 15)
            return fail<DWORD>(BASS_ERROR_ILLPARAM, DWORD(-1));
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
    });
}

namespace cantora::audio {

std::uint32_t songTempo(HSTREAM handle) {
    return withStream(handle, std::uint32_t(0),
                      [](const std::shared_ptr<Stream> &s) { return ok<std::uint32_t>(s->seq.songTempo()); });
}

BOOL releaseController(HSTREAM handle, DWORD chan, DWORD event) {
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        if (chan > 15)
            return fail(BASS_ERROR_ILLPARAM);
        const int cc = controllerOf(event);
        if (cc == 0)
            return fail(BASS_ERROR_ILLTYPE);
        s->seq.releaseController(static_cast<int>(chan), cc, s->voice);
        return ok<BOOL>(1);
    });
}

} // namespace cantora::audio
