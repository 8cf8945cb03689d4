#pragma once
// The tag editor's rules, without widgets: the undo stack of stamps, the
// placing of a time stamp among a lyric line's tags, the lyric entries the
// lyrics window steps through and the follower that steps it, the
// pending-edit rows and the reading of a lyric file.
//
// Lyric texts are UTF-8; lines end with LF or CR LF (the lyric box hands out
// LF, files and tags carry CR LF). Positions are byte offsets into the text.
//
// Threading: user-interface thread only; no state is shared.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::tags {

// Positions of the stamps Add inserted, newest on top. Capacity starts at
// ten, grows by ten when a push overflows it and shrinks by ten when the
// count falls more than ten below it.
class UndoStack {
public:
    static constexpr int kStep = 10;

    void PushUndo(std::int32_t position);
    // The newest position, or nothing when the stack is empty.
    std::optional<std::int32_t> PopUndo();
    // Empty, capacity ten.
    void Reset();

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(slots_.size()); }

private:
    std::vector<std::int32_t> slots_ = std::vector<std::int32_t>(kStep);
    int count_ = 0;
};

// "mm:ss", or "hh:mm:ss" from one hour on.
std::string FormatTime(std::int64_t seconds);

// Hours, minutes and whole seconds of a time text "mm:ss", "mm:ss.xx" or
// "hh:mm:ss" (parts that are not numbers count as 0; seconds rounded).
std::array<std::int64_t, 3> TimeParts(std::string_view text);

// The inner text of a time tag is at most this long ("01:23", "00:12.34").
inline constexpr std::size_t kMaxTagInner = 8;

// Start and length (without its line end) of the line holding `caret`.
struct LineSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};
LineSpan LineAt(std::string_view text, std::size_t caret);

// What one Add did to the lyric text.
struct Stamped {
    std::string text;           // the text with the stamp inserted
    std::size_t insertedAt = 0; // where the stamp went (for Undo)
    std::size_t caret = 0;      // start of the next non-empty line, or of the last line
};

// Inserts "[" + FormatTime(round(seconds)) + "]" into the line holding
// `caret`: after the line's tags that are earlier than that time, before
// the first that is the same or later.
Stamped AddStamp(std::string_view text, std::size_t caret, double seconds);

// Removes the stamp Add put at `position`: the first "[" at or after it up
// to its "]", when that is a time tag. Nothing changes otherwise.
std::string RemoveStamp(std::string_view text, std::size_t position);

// The lyrics window's entries for a lyric text: one "tag    text" (four
// spaces) per time tag, lines with several tags giving one entry each. The
// text after the last line end is not a finished line and gives none.
// Entries come in text order of their tags, as the window lists them.
std::vector<std::string> LyricEntries(std::string_view text);

// Steps the lyric follower from entry `index` to the elapsed time `now`
// ("mm:ss"), comparing texts: the highlighted line is the one being sung,
// the last whose stamp is at or before `now` (the first before any). Calls
// `next` / `previous` once per line the highlight moves; returns the new index.
int FollowLyrics(std::string_view now, const std::vector<std::string> &entries, int index,
                 const std::function<void()> &next, const std::function<void()> &previous);

// One row of the pending-edit list: the file's path and sub-items 1..7
// (title, artist, album, year, genre list index, lyric text, comment).
struct PendingRow {
    std::string key;
    std::array<std::string, 8> sub{}; // sub[0] unused, as the list's first column is the key
    bool unsaved = false;             // edits made on this file since it was opened, saved or discarded
};

// What the editor's boxes hold, as StorePendingEdits copies it.
struct EditorFields {
    std::string title, artist, album, year, comment;
    int genreIndex = -1; // list index; -1 when nothing is selected
    std::string lyrics;  // lyric box text
};

// The pending-edit list: one row per file, keyed by its path.
class PendingEdits {
public:
    // Adds an empty row for `path` unless it has one.
    void AddRow(const std::string &path);
    // Copies the boxes into the row of `path` (added when missing).
    void Store(const std::string &path, const EditorFields &fields);
    // Empties sub-items 1..7 of the row of `path`: its edits are saved or dropped.
    void ClearRow(const std::string &path);
    // True when the row of `path` holds edits not saved yet.
    bool Unsaved(const std::string &path) const;
    // The row of `path`, if any.
    const PendingRow *Row(const std::string &path) const;
    void Clear() { rows_.clear(); }
    const std::vector<PendingRow> &rows() const { return rows_; }

private:
    std::vector<PendingRow> rows_;
};

// A lyric file as the lyric box takes it: the non-blank lines, and the box
// text (each line ended by CR LF).
struct LyricFile {
    bool ok = false;                // the file could be read
    std::vector<std::string> lines; // non-blank lines
    std::string boxText;
    std::string error; // why it could not be read
};
LyricFile Chargement_Paroles(const std::string &path);

// The lyric box text for an MP3 whose lyrics are only in its ID3v2 tag: the
// synchronised lyrics as LRC lines when it has them, else the USLT text;
// lines ended by CR LF. Empty when the tag has neither (or the file none).
std::string LyricBoxFromId3v2(const std::string &path);

// `path` with its last three characters replaced by "lrc".
std::string LrcPathFor(std::string_view path);

// Text with LF line ends turned into CR LF (CR LF left alone).
std::string WithCrLf(std::string_view text);
// Text with CR LF line ends turned into LF.
std::string WithLf(std::string_view text);
// `s` without leading and trailing spaces.
std::string TrimSpaces(std::string_view s);

} // namespace cantora::tags
