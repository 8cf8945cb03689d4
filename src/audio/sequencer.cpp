#include "audio/sequencer.h"

#include "audio/midifile.h"

#include <algorithm>
#include <cmath>

namespace cantora::audio {

namespace {

// Same-tick rank: note-offs first, so a note repeated on one tick is ended
// before it starts again; bank before program, so the program lands in the
// right bank; controllers before notes, so a note starts with its volume.
int sameTickRank(std::uint8_t status, std::uint8_t d1, std::uint8_t d2) {
    switch (status & 0xF0) {
    case 0x80: return 0;
    case 0x90: return d2 == 0 ? 0 : 5;
    case 0xB0: return (d1 == 0 || d1 == 32) ? 1 : 3;
    case 0xC0: return 2;
    default: return 4;
    }
}

// Controller values a channel has before the song sets them.
// Where a holdable controller keeps its state; -1 for one that cannot be held.
int heldSlot(int cc) {
    switch (cc) {
    case 7: return 0;
    case 10: return 1;
    case 91: return 2;
    case 93: return 3;
    case Sequencer::kProgram: return 4;
    default: return -1;
    }
}

int defaultController(int cc) {
    switch (cc) {
    case 7: return 100;  // volume
    case 10: return 64;  // pan
    case 11: return 127; // expression
    case 91: return 40;  // reverb send
    default: return 0;
    }
}

} // namespace

Sequencer::Sequencer(const MidiFile &file, double rate)
    : map_(
          file.division,
          [&] {
              std::vector<std::pair<std::uint64_t, std::uint32_t>> tempos;
              for (const auto &t : file.tracks)
                  for (const auto &e : t.events)
                      if (e.isMeta() && e.metaType == 0x51 && e.data.size() >= 3)
                          tempos.emplace_back(e.tick, (std::uint32_t(std::uint8_t(e.data[0])) << 16) |
                                                          (std::uint32_t(std::uint8_t(e.data[1])) << 8) |
                                                          std::uint8_t(e.data[2]));
              return tempos;
          }(),
          rate) {
    struct Pending {
        Event ev;
        int rank;
        std::uint32_t track;
        const std::string *text;
    };
    std::vector<Pending> all;
    std::size_t count = 0;
    for (const auto &t : file.tracks)
        count += t.events.size();
    all.reserve(count);
    for (std::uint32_t tr = 0; tr < file.tracks.size(); ++tr) {
        for (const auto &e : file.tracks[tr].events) {
            Event ev{e.tick, 0, 0, Kind::Channel, e.status, e.data1, e.data2};
            int rank = 4;
            const std::string *text = nullptr;
            if (e.status >= 0x80 && e.status < 0xF0) {
                rank = sameTickRank(e.status, e.data1, e.data2);
            } else if (e.isMeta() && e.metaType == 0x51 && e.data.size() >= 3) {
                ev.kind = Kind::Tempo;
                ev.value = (std::uint32_t(std::uint8_t(e.data[0])) << 16) |
                           (std::uint32_t(std::uint8_t(e.data[1])) << 8) | std::uint8_t(e.data[2]);
                if (ev.value == 0)
                    ev.kind = Kind::End; // a zero tempo is ignored, its tick still counts
            } else if (e.isMeta() && (e.metaType == 0x05 || e.metaType == 0x01)) {
                ev.kind = e.metaType == 0x05 ? Kind::Lyric : Kind::Text;
                text = &e.data;
            } else {
                // SysEx and the other meta events only mark time (the end of
                // track included: the song lasts up to its last event).
                ev.kind = Kind::End;
            }
            all.push_back({ev, rank, tr, text});
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const Pending &a, const Pending &b) {
        if (a.ev.tick != b.ev.tick)
            return a.ev.tick < b.ev.tick;
        return a.rank < b.rank;
    });
    events_.reserve(all.size());
    for (auto &p : all) {
        p.ev.sample = TempoMap::sampleOf(map_.tickToFrame(static_cast<double>(p.ev.tick)));
        if (p.ev.kind == Kind::Lyric || p.ev.kind == Kind::Text) {
            auto &list = marks_[p.ev.kind == Kind::Lyric ? 0 : 1];
            p.ev.value = static_cast<std::uint32_t>(list.size());
            list.push_back({p.track, p.ev.tick, p.ev.sample, *p.text});
        }
        events_.push_back(p.ev);
    }
    if (!events_.empty()) {
        lastTick_ = events_.back().tick;
        lengthFrames_ = events_.back().sample;
    }
    for (auto &ch : sounding_)
        ch.fill(-1);
    for (auto &ch : heldValue_)
        ch.fill(-1);
    for (auto &ch : songValue_)
        ch.fill(-1);
    // The opening tempo holds from the first sample, not from its dispatch.
    tempo_ = songTempo_ = map_.tempoAt(0);
}

double Sequencer::tick() const {
    const double t = anchorTick_ + (static_cast<double>(frame_) - anchorFrame_) / map_.framesPerTick(tempo_);
    return t < 0 ? 0 : t;
}

std::uint64_t Sequencer::positionFrames() const {
    return static_cast<std::uint64_t>(std::llround(map_.tickToFrame(tick())));
}

std::uint64_t Sequencer::dueSample(const Event &e) const {
    return TempoMap::sampleOf(map_.advance(anchorFrame_, static_cast<double>(e.tick) - anchorTick_, tempo_));
}

std::size_t Sequencer::render(float *out, std::size_t frames, SynthSink &sink, SequencerListener *listener,
                              bool stopAtLastEvent) {
    abort_ = false;
    std::size_t done = 0;
    while (done < frames) {
        while (next_ < events_.size() && !abort_ && dueSample(events_[next_]) <= frame_) {
            const Event e = events_[next_++];
            if (next_ == events_.size())
                lastEventFrame_ = frame_;
            dispatch(e, sink, listener);
        }
        if (abort_)
            break;
        std::size_t chunk = frames - done;
        if (next_ < events_.size()) {
            const std::uint64_t due = dueSample(events_[next_]);
            chunk = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, due - frame_));
        } else if (stopAtLastEvent) {
            break;
        }
        sink.render(out + 2 * done, chunk);
        done += chunk;
        frame_ += chunk;
    }
    return done;
}

void Sequencer::dispatch(const Event &e, SynthSink &sink, SequencerListener *listener) {
    switch (e.kind) {
    case Kind::Channel: sendChannel(e.status, e.d1, e.d2, sink); break;
    case Kind::Tempo:
        // Re-anchor the live clock where the song's tempo changes; this also
        // ends any tempo set from outside.
        anchorFrame_ = map_.advance(anchorFrame_, static_cast<double>(e.tick) - anchorTick_, tempo_);
        anchorTick_ = static_cast<double>(e.tick);
        tempo_ = songTempo_ = e.value;
        if (listener)
            listener->onTempoEvent(e.value);
        break;
    case Kind::Lyric:
    case Kind::Text:
        if (listener)
            listener->onMark(e.kind == Kind::Lyric ? MarkKind::Lyric : MarkKind::Text, e.value);
        break;
    case Kind::End: break;
    }
}

void Sequencer::sendChannel(std::uint8_t status, std::uint8_t d1, std::uint8_t d2, SynthSink &sink) {
    const int ch = status & 0x0F;
    switch (status & 0xF0) {
    case 0x90:
        if (d2 != 0) {
            const int key = d1 + transpose_[ch];
            if (key < 0 || key > 127)
                return;
            if (sounding_[ch][d1] >= 0 && sounding_[ch][d1] != key)
                sink.noteOff(ch, sounding_[ch][d1]);
            sounding_[ch][d1] = static_cast<std::int8_t>(key);
            sink.noteOn(ch, key, d2);
            return;
        }
        [[fallthrough]];
    case 0x80:
        // The note ends at the key it started on, whatever the key is now;
        // a note that never started (out of range) ends nothing.
        if (sounding_[ch][d1] >= 0) {
            sink.noteOff(ch, sounding_[ch][d1]);
            sounding_[ch][d1] = -1;
        }
        return;
    case 0xA0:
        // Pressure goes to the key as it sounds.
        sink.keyPressure(ch, sounding_[ch][d1] >= 0 ? sounding_[ch][d1] : std::clamp(d1 + transpose_[ch], 0, 127), d2);
        return;
    case 0xB0:
        if (const int slot = heldSlot(d1); slot >= 0) {
            songValue_[ch][slot] = d2;
            if (heldValue_[ch][slot] >= 0)
                return; // the user's value stands
        }
        sink.controller(ch, d1, d2);
        if (d1 == 120 || d1 == 123)
            sounding_[ch].fill(-1);
        return;
    case 0xC0:
        songValue_[ch][4] = d1;
        if (heldValue_[ch][4] < 0)
            sink.programChange(ch, d1);
        return;
    case 0xD0: sink.channelPressure(ch, d1); return;
    case 0xE0: sink.pitchBend(ch, d1 | (d2 << 7)); return;
    default: return;
    }
}

void Sequencer::setTranspose(int channel, int semitones) {
    // Sounding notes are left alone: sounding_ remembers the key each one
    // started on, so its note-off still finds it.
    transpose_[channel & 15] = semitones;
}

void Sequencer::holdController(int channel, int cc, int value) {
    if (const int slot = heldSlot(cc); slot >= 0)
        heldValue_[channel & 15][slot] = std::clamp(value, 0, 127);
}

void Sequencer::releaseController(int channel, int cc, SynthSink &sink) {
    const int slot = heldSlot(cc);
    if (slot < 0)
        return;
    const int ch = channel & 15;
    heldValue_[ch][slot] = -1;
    const int own = songValue_[ch][slot];
    if (cc == kProgram)
        sink.programChange(ch, std::max(own, 0));
    else
        sink.controller(ch, cc, own >= 0 ? own : defaultController(cc));
}

bool Sequencer::held(int channel, int cc) const {
    const int slot = heldSlot(cc);
    return slot >= 0 && heldValue_[channel & 15][slot] >= 0;
}

void Sequencer::setTempo(std::uint32_t usPerQuarter) {
    anchorTick_ = tick();
    anchorFrame_ = static_cast<double>(frame_);
    tempo_ = std::clamp(usPerQuarter, kMinTempo, kMaxTempo);
}

void Sequencer::seekFrame(std::uint64_t frame, SynthSink &sink) {
    struct ChannelState {
        int program = -1, bankMsb = -1, bankLsb = -1, bend = -1, pressure = -1;
        std::array<int, 128> cc;
    };
    std::array<ChannelState, 16> state;
    for (auto &s : state)
        s.cc.fill(-1);
    std::size_t i = 0;
    for (; i < events_.size() && events_[i].sample < frame; ++i) {
        const Event &e = events_[i];
        if (e.kind != Kind::Channel)
            continue;
        ChannelState &s = state[e.status & 0x0F];
        switch (e.status & 0xF0) {
        case 0xB0:
            if (e.d1 == 0)
                s.bankMsb = e.d2;
            else if (e.d1 == 32)
                s.bankLsb = e.d2;
            else if (e.d1 == 121) {
                // Reset-all-controllers forgets what came before it.
                for (int c : {1, 11, 64, 65, 66, 67})
                    s.cc[c] = -1;
                s.bend = s.pressure = -1;
            } else if (e.d1 < 120)
                s.cc[e.d1] = e.d2;
            break;
        case 0xC0: s.program = e.d1; break;
        case 0xD0: s.pressure = e.d1; break;
        case 0xE0: s.bend = e.d1 | (e.d2 << 7); break;
        default: break;
        }
    }

    sink.allSoundsOff();
    for (auto &ch : sounding_)
        ch.fill(-1);
    for (int ch = 0; ch < 16; ++ch) {
        const ChannelState &s = state[ch];
        sink.controller(ch, 121, 0);
        sink.controller(ch, 0, s.bankMsb < 0 ? 0 : s.bankMsb);
        sink.controller(ch, 32, s.bankLsb < 0 ? 0 : s.bankLsb);
        songValue_[ch][4] = s.program;
        const int program = heldValue_[ch][4] >= 0 ? heldValue_[ch][4] : s.program;
        sink.programChange(ch, std::max(program, 0));
        for (int cc = 1; cc < 120; ++cc) {
            if (cc == 32)
                continue;
            if (const int slot = heldSlot(cc); slot >= 0) {
                songValue_[ch][slot] = s.cc[cc];
                if (heldValue_[ch][slot] >= 0) {
                    sink.controller(ch, cc, heldValue_[ch][slot]);
                    continue;
                }
            }
            if (s.cc[cc] >= 0)
                sink.controller(ch, cc, s.cc[cc]);
            else if (cc == 7 || cc == 10 || cc == 11 || cc == 91 || cc == 93)
                sink.controller(ch, cc, defaultController(cc));
        }
        sink.pitchBend(ch, s.bend < 0 ? 8192 : s.bend);
        sink.channelPressure(ch, s.pressure < 0 ? 0 : s.pressure);
    }

    sink.alignBlocks(frame);

    next_ = i;
    frame_ = frame;
    lastEventFrame_ = frame;
    anchorFrame_ = static_cast<double>(frame);
    anchorTick_ = map_.frameToTick(anchorFrame_);
    tempo_ = map_.tempoAt(anchorTick_);
    // A tempo event just before the target (same sample as an earlier tick)
    // is in force even if frameToTick lands a hair before its tick; so is
    // one exactly at the target, though it is dispatched by the next render.
    std::size_t last = events_.size();
    for (std::size_t k = i; k < events_.size() && events_[k].sample == frame; ++k)
        if (events_[k].kind == Kind::Tempo)
            last = k;
    for (std::size_t k = i; last == events_.size() && k-- > 0;)
        if (events_[k].kind == Kind::Tempo)
            last = k;
    if (last < events_.size())
        tempo_ = events_[last].value;
    songTempo_ = tempo_;
}

} // namespace cantora::audio
