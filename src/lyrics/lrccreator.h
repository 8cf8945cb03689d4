#pragma once
// The song LRC creator: turns a song's lyric (or text) marks into the LRC
// file the LRC button, the save-dialog variant and the karaoke conversion
// write. It works on a plain list of marks, so the engine only supplies the
// list (see lrcsong.h) and every rule here is testable without it.
//
// The rules, in mark order, on the syllables of the lyric grammar
// (lyricgrammar.h: a CR or LF breaks a line as "/" and "\" do):
//   - text is upper-cased and written in CP1252;
//   - a mark starting "/", "\" or "<" ends the line being gathered and
//     starts the next; a mark ending in "|" also starts the counting below;
//   - a line starts at its second mark (the break mark is the first), in
//     whole seconds of the song's first tempo only;
//   - "@" header marks add nothing, but they do count as a mark;
//   - the text before the first break becomes the first line, tagged with
//     the start time left over in the state;
//   - an empty mark ends the file at once, the gathered line unwritten;
//   - only marks 0 to 850 are read, and reading stops at a mark whose tick
//     goes back (checked from mark 25 on);
//   - every run starts afresh: no line is left over from an earlier run.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::core {
class SongEncoding;
}

namespace cantora::lyrics {

// One lyric or text mark as the engine lists it.
struct LrcMark {
    std::string text;       // the event's bytes as stored (8-bit)
    std::uint32_t tick = 0; // absolute tick
    double seconds = 0;     // time through the whole tempo map
};

// Highest mark index the creator reads.
inline constexpr std::size_t kLastLrcMark = 850;

// Milliseconds per tick from the first set-tempo bytes (FF 51) found anywhere
// in the file and the header's division; nothing when the file has no usable
// tempo bytes or a zero division (the caller then keeps its previous value).
std::optional<double> msPerTickOf(std::string_view midiData);

// How a writer reads the song's marks and times its lines.
struct LrcOptions {
    // The player's tempo factor (the song's tempo value times this; above 1
    // is slower). Every time written is the song's time times this, so that
    // the lines follow audio rendered at that tempo.
    double tempoFactor = 1.0;
    // The encoding the song's texts are written in; null: UTF-8 where the
    // bytes are valid UTF-8, else CP1252.
    const core::SongEncoding *encoding = nullptr;
};

// Where the creator stopped reading marks.
struct LrcStop {
    enum class Reason {
        AllRead,   // every mark was read
        EmptyMark, // an empty mark ends the file
        TickBack,  // a mark whose tick goes back ends it
        MarkLimit, // marks past index 850 (or the file's length) are not read
    };
    Reason reason = Reason::AllRead;
    std::size_t mark = 0; // the index of the mark it stopped at
};

// What the creator keeps between marks; each run starts it afresh.
struct LrcCreatorState {
    std::string LineText;         // the line being gathered, UTF-8, break character first
    bool LinePending = false;     // a line with a start time waits to be written
    std::int32_t LineSeconds = 0; // start of that line in whole seconds
    double CurrentTick = 0;       // tick of the last mark read
};

// The LRC bytes for `marks`. midiSize is the song file's length in bytes
// (no mark index beyond it is read); msPerTick comes from msPerTickOf or the
// value kept from an earlier run. `stop`, when given, says where reading
// stopped.
std::string createLrc(const std::vector<LrcMark> &marks, std::size_t midiSize, double msPerTick, LrcCreatorState &state,
                      const LrcOptions &options = {}, LrcStop *stop = nullptr);

// Upper case of CP1252 bytes as the creator writes them: a-z, the accented
// small letters, and the four small letters CP1252 keeps below 0xA0 and at 0xFF.
std::string upperCp1252(std::string_view cp1252);

// The exact LRC: each line at its first syllable's time in hundredths,
// original case, UTF-8; "[ti:]" and "[ar:]" first when the first and second
// "@T" texts give them. Lines break as the lyric grammar says; "@" marks and
// empty marks add nothing.
std::string createExactLrc(const std::vector<LrcMark> &marks, const std::vector<std::string> &atTTexts,
                           const LrcOptions &options = {});

} // namespace cantora::lyrics
