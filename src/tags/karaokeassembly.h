#pragma once
// The finished karaoke MP3: the tag editor's Save writes the ID3v1 tag and
// the Lyrics3 v2 block into the MP3 it shows, and, after a conversion, the
// work file SYNCRO.MP3 is then copied over the output file the user chose.
// The work files live in the application folder until the editor's Exit
// deletes them.
//
// Nothing here loses the user's file: a write that fails leaves the MP3 as
// it was (the tag module writes safely), and the copy goes to a temporary
// file beside the output that replaces it only once it is complete.
//
// Threading: user-interface thread only.

#include "lyrics/lrcwords.h"
#include "tags/id3v1tag.h"
#include "tags/id3v2tag.h"
#include "tags/mp3info.h"
#include "tags/tageditor.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cantora::tags {

class Id3Module;

// Names of the conversion's work files in the application folder.
inline constexpr const char *kSyncroMp3 = "SYNCRO.MP3";
inline constexpr const char *kSyncroLrc = "SYNCRO.LRC";

// `folder` + "/" + `name`.
std::string WorkFile(const std::string &folder, const char *name);

// True when the converter left a non-empty SYNCRO.MP3 in `folder`.
bool ConvertedSongWaiting(const std::string &folder);

// What Save works on.
struct SaveRequest {
    std::string fileName;              // the MP3 shown in the editor
    EditorFields fields;               // the boxes as they are now
    std::array<bool, 4> apply{};       // apply boxes: artist, album, year, genre
    std::optional<PendingRow> pending; // the file's pending-edit row before Save
    std::string appFolder;             // where SYNCRO.MP3 lies
    std::string outputFile;            // the main window's output choice; empty when none
    std::function<void()> releaseFile; // stop the editor's player on this file
    std::function<void()> resumeFile;  // and start it again
    // Also write the ID3v2 tag, lyrics as USLT and SYLT, for other players:
    // the window's "ID3v2 lyrics for other players" box (ticked by default).
    bool id3v2Lyrics = false;
};

// The cantora.ini key remembering the editor's "ID3v2 lyrics for other
// players" box: "1" ticked (the default), "0" not.
inline constexpr const char *kId3v2LyricsKey = "tags.id3v2Lyrics";

// What Save did.
struct SaveOutcome {
    bool written = false;              // the tag (and lyrics) are in the file
    bool copied = false;               // SYNCRO.MP3 now also lies at the output file
    std::vector<std::string> failures; // what went wrong, for the file label
    std::string notes;                 // texts changed to fit the tag (cut, '?'), for the file label
};

// The ID3v1 record the first write uses: the editor's fields with title and
// comment (and every field whose apply box is not ticked) kept from `old`.
Id3v1Tag ApplyBoxRecord(const SaveRequest &request, const Mp3Info &old);
// The ID3v1 record built from a pending-edit row.
Id3v1Tag PendingRecord(const PendingRow &row, Id3v1Fit *fit = nullptr);

// The Save sequence: rewrites the tag of `request.fileName`, keeping the old
// lyrics and changing only the ticked fields; when the pending-edit row has
// a title, writes the row's fields and the lyric box instead; then copies
// SYNCRO.MP3 over the output file. Each write re-reads the file first.
// A file without MPEG audio is refused, and nothing is written or copied.
SaveOutcome SaveTags(Id3Module &module, const SaveRequest &request);

// The ID3v2 fields of a converted song: the typed texts in full (an ID3v1
// field cuts them to 30 bytes; an empty one leaves its frame alone), the
// genre byte's name (none for -1), and, unless `lyrics` is null, the exact
// LRC as USLT and every sung syllable as SYLT.
Id3v2Edit KaraokeId3v2Edit(const std::string &title, const std::string &artist, const std::string &album,
                           const std::string &year, const std::string &comment, int genreByte,
                           const lyrics::KaraokeLyrics *lyrics);

// Copies `from` over `to` through a temporary file beside `to`; `to` is
// untouched when the copy fails. Empty on success, else why not.
std::string CopyOver(const std::string &from, const std::string &to);

// Deletes SYNCRO.LRC and SYNCRO.MP3 in `folder` (missing files are fine).
void DeleteWorkFiles(const std::string &folder);

} // namespace cantora::tags
