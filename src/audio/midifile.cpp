#include "audio/midifile.h"

#include "audio/songfile.h"
#include "core/riff.h"

#include <algorithm>

namespace cantora::audio {

namespace {

// A bounded view over the whole file; every read checks what remains.
class Cursor {
public:
    Cursor(std::string_view all, std::size_t pos, std::size_t end) : all_(all), pos_(pos), end_(end) {}

    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return end_ - pos_; }
    bool atEnd() const { return pos_ >= end_; }

    bool byte(std::uint8_t &out) {
        if (pos_ >= end_)
            return false;
        out = static_cast<std::uint8_t>(all_[pos_++]);
        return true;
    }
    bool peek(std::uint8_t &out) const {
        if (pos_ >= end_)
            return false;
        out = static_cast<std::uint8_t>(all_[pos_]);
        return true;
    }
    // Variable-length quantity: 7 bits per byte, high bit = more follows,
    // at most 4 bytes (28 bits) as the file format allows.
    bool vlq(std::uint32_t &out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7Fu);
            if (!(b & 0x80u))
                return true;
        }
        return false; // a fifth continuation byte: not a valid quantity
    }
    // Takes `n` bytes if they are all there.
    bool take(std::size_t n, std::string &out) {
        if (n > remaining())
            return false;
        out.assign(all_.data() + pos_, n);
        pos_ += n;
        return true;
    }

private:
    std::string_view all_;
    std::size_t pos_;
    std::size_t end_;
};

using core::be16;
using core::be32;

// Data bytes per channel message kind (status high nibble 8..E).
int channelDataBytes(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

// Reads the events of one MTrk chunk body [begin, end). Returns false when
// the body stopped early: cut off, or bytes that cannot be an event; then
// `stoppedAt` is where the first unread event begins.
bool readTrack(std::string_view all, std::size_t begin, std::size_t end, MidiTrack &track, std::size_t &stoppedAt) {
    Cursor c(all, begin, end);
    std::uint64_t tick = 0;
    std::uint8_t running = 0; // last channel status; meta and SysEx leave it alone
    while (!c.atEnd()) {
        stoppedAt = c.pos();
        MidiEvent ev;
        ev.offset = static_cast<std::uint32_t>(c.pos());
        std::uint32_t delta;
        if (!c.vlq(delta))
            return false;
        tick += delta;
        ev.tick = tick;

        std::uint8_t b;
        if (!c.peek(b))
            return false;
        if (b == 0xFF) {
            c.byte(b);
            std::uint32_t len;
            if (!c.byte(ev.metaType) || !c.vlq(len) || !c.take(len, ev.data))
                return false;
            ev.status = 0xFF;
            track.events.push_back(std::move(ev));
            if (track.events.back().metaType == 0x2F)
                return true; // end of track: whatever follows is padding
            continue;
        }
        if (b == 0xF0 || b == 0xF7) {
            c.byte(b);
            std::uint32_t len;
            if (!c.vlq(len) || !c.take(len, ev.data))
                return false;
            ev.status = b;
            track.events.push_back(std::move(ev));
            continue;
        }
        if (b & 0x80) {
            if (b > 0xEF)
                return false; // system common / real-time bytes have no place in a file
            c.byte(b);
            running = b;
        } else if (running == 0) {
            return false; // a data byte with no status to run on
        }
        ev.status = running;
        std::uint8_t d1 = 0, d2 = 0;
        if (!c.byte(d1))
            return false;
        if (channelDataBytes(running) == 2 && !c.byte(d2))
            return false;
        // Data bytes are 7-bit; a stray high bit is dropped rather than
        // handed to the synthesiser.
        ev.data1 = d1 & 0x7F;
        ev.data2 = d2 & 0x7F;
        track.events.push_back(std::move(ev));
    }
    return true; // ran to the end of the chunk without an end-of-track event
}

// Finds the Standard MIDI File inside a "RIFF RMID" wrapper: the payload of
// its "data" chunk. Returns false if there is none.
bool findRmidData(std::string_view bytes, std::size_t &begin, std::size_t &end) {
    bool found = false;
    core::walkRiffChunks(bytes, 12, static_cast<std::int64_t>(bytes.size()), [&](const core::RiffChunk &c) {
        if (c.id != "data")
            return true;
        const std::string_view body = core::riffBody(bytes, c);
        begin = static_cast<std::size_t>(c.body);
        end = begin + body.size();
        found = true;
        return false;
    });
    return found;
}

} // namespace

MidiReadResult readMidi(std::string_view bytes) {
    MidiReadResult r;
    const std::uint64_t size = bytes.size();
    bytes = bytes.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxSongBytes)));
    std::size_t begin = 0, end = bytes.size();
    if (bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "RMID") {
        if (!findRmidData(bytes, begin, end)) {
            r.error = MidiError::NotMidi;
            return r;
        }
    }

    // Header chunk: "MThd", length (6 or more), format, track count, division.
    // All numbers big-endian.
    if (end - begin < 14 || bytes.substr(begin, 4) != "MThd") {
        r.error = MidiError::NotMidi;
        return r;
    }
    const std::uint32_t headerLen = be32(bytes, begin + 4);
    if (headerLen < 6) {
        r.error = MidiError::NotMidi;
        return r;
    }
    MidiFile &f = r.file;
    f.format = be16(bytes, begin + 8);
    f.declaredTracks = be16(bytes, begin + 10);
    f.division = be16(bytes, begin + 12);
    if (f.division & 0x8000) { // high bit: SMPTE frames per second and ticks per frame
        r.error = MidiError::SmpteDivision;
        return r;
    }
    if (f.division == 0) { // no tick length can be derived from it
        r.error = MidiError::NotMidi;
        return r;
    }

    f.sizeBytes = size;
    f.truncated = size > bytes.size();
    std::size_t pos = begin + 8;
    if (headerLen > end - pos) {
        f.truncated = true;
        pos = end;
    } else {
        pos += headerLen;
    }
    f.readBytes = pos;

    // Chunks: MTrk bodies are read, anything else is skipped by its length.
    // Reading stops after the tracks the header declares, so trailing bytes
    // after the last track are not mistaken for damage.
    while (pos + 8 <= end && (f.declaredTracks == 0 || f.tracks.size() < f.declaredTracks)) {
        const std::string_view id = bytes.substr(pos, 4);
        const std::size_t len = be32(bytes, pos + 4);
        pos += 8;
        std::size_t chunkEnd = pos + len;
        if (len > end - pos) {
            f.truncated = true;
            chunkEnd = end;
        }
        std::size_t stoppedAt = chunkEnd;
        if (id == "MTrk") {
            f.tracks.emplace_back();
            if (!readTrack(bytes, pos, chunkEnd, f.tracks.back(), stoppedAt)) {
                f.truncated = true;
                ++f.incompleteTracks;
            } else {
                stoppedAt = chunkEnd;
            }
        }
        f.readBytes += 8 + (stoppedAt - pos);
        pos = chunkEnd;
    }
    if (pos < end && pos + 8 > end && f.tracks.size() < f.declaredTracks)
        f.truncated = true; // a chunk header cut in half

    if (f.tracks.empty()) {
        r.error = MidiError::NoTracks;
        r.file = MidiFile{};
    }
    return r;
}

MidiReadResult readMidiFile(const std::string &path) {
    const SongBytes song = readSongFile(path);
    if (!song.ok()) {
        MidiReadResult r;
        r.error = song.error == SongFileError::NotRegular ? MidiError::NotAFile : MidiError::Io;
        return r;
    }
    MidiReadResult r = readMidi(song.bytes);
    if (r.ok() && song.overLimit) {
        r.file.truncated = true;
        r.file.sizeBytes = song.available;
    }
    return r;
}

const char *midiErrorText(MidiError e) {
    switch (e) {
    case MidiError::None: return "no error";
    case MidiError::NotMidi: return "not a MIDI file";
    case MidiError::NoTracks: return "the MIDI file holds no tracks";
    case MidiError::SmpteDivision: return "SMPTE time division is not supported";
    case MidiError::Io: return "the file could not be read";
    case MidiError::NotAFile: return "not a regular file";
    }
    return "unknown error";
}

} // namespace cantora::audio
