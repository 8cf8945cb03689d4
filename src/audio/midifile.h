#pragma once
// Standard MIDI File reader: bytes in, header + tracks of timed events out.
//
// Reads formats 0, 1 and 2 (2 as a sequence of tracks), running status
// (kept across meta and SysEx events), SysEx F0/F7, every meta event, and the
// "RIFF RMID" wrapper. Damaged files are read as far as they go: a chunk
// whose length runs past the end is read up to the end, and a header that
// promises more tracks than the file holds gives the tracks it has.
// No allocation is ever sized from a length field alone.
//
// Events are kept as stored: a note-on with velocity 0 stays a note-on (the
// sequencer treats it as a note-off), and a track's end-of-track meta
// event (FF 2F), when present, is its last event: its tick is the track's length.
// Reading stops after the number of tracks the header declares.
// Thread-safe: no shared state.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::audio {

// One event as stored in its track.
struct MidiEvent {
    std::uint64_t tick = 0;    // absolute tick from the start of its track
    std::uint32_t offset = 0;  // byte offset of the event (its delta time) in the file
    std::uint8_t status = 0;   // 0x80-0xEF channel message, 0xF0/0xF7 SysEx, 0xFF meta
    std::uint8_t metaType = 0; // meta events only
    std::uint8_t data1 = 0;    // channel messages: first data byte
    std::uint8_t data2 = 0;    // channel messages: second data byte (0 if none)
    std::string data;          // meta / SysEx payload bytes, as stored

    std::uint8_t channel() const { return status & 0x0F; }
    std::uint8_t kind() const { return status & 0xF0; }
    bool isMeta() const { return status == 0xFF; }
};

struct MidiTrack {
    std::vector<MidiEvent> events; // in file order (ticks non-decreasing); see above for FF 2F
};

enum class MidiError {
    None = 0,
    NotMidi,       // no MThd (nor RIFF RMID holding one), or a header with division 0
    NoTracks,      // header read but not a single track chunk
    SmpteDivision, // time division in SMPTE frames, not supported
    Io,            // the file could not be read
    NotAFile,      // a FIFO, device or folder: only regular files are read
};

struct MidiFile {
    std::uint16_t format = 0;
    std::uint16_t declaredTracks = 0; // as the header says
    std::uint16_t division = 0;       // ticks per quarter note
    std::vector<MidiTrack> tracks;    // the tracks actually present
    bool truncated = false;           // some chunk ran past the end of the data, or a track
                                      // held bytes that are no event (read up to there)
    // How much of a damaged song was read, for messages: compare
    // tracks.size() with declaredTracks, and readBytes with sizeBytes.
    std::uint64_t sizeBytes = 0;        // bytes the song holds (before the size limit)
    std::uint64_t readBytes = 0;        // bytes read as header, chunks and whole events
    std::uint16_t incompleteTracks = 0; // tracks cut off or stopped at bytes that are no event
};

struct MidiReadResult {
    MidiError error = MidiError::None;
    MidiFile file;
    bool ok() const { return error == MidiError::None; }
};

// Parses a whole file held in memory (its first kMaxSongBytes at most; a
// longer one comes out truncated).
MidiReadResult readMidi(std::string_view bytes);
// Reads the file at `path` (UTF-8) through readSongFile and parses it: only
// regular files (NotAFile otherwise); files over kMaxSongBytes are read up
// to that size only (and so come out truncated).
MidiReadResult readMidiFile(const std::string &path);

// Text for an error, for messages and the CLI.
const char *midiErrorText(MidiError e);

} // namespace cantora::audio
