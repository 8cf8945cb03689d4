#pragma once
// Writing the graphics: a song's CD+G file, alone or zipped with its MP3 as
// players of MP3+G expect. Every file is written under a unique temporary
// name beside the target (created exclusively, never through a link),
// flushed to the disk and renamed over the target only when complete.
//
// Threading: the calling thread; the engine must be initialised (the song
// is read through it).

#include "cdg/cdgsong.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::cdg {

// Returns true to give up before the file is renamed into place.
using CancelFn = std::function<bool()>;

// Writes `bytes` as `path`; an existing `path` is refused unless `replace`.
// Returns "" when written, else what failed (naming the file).
std::string writeFileSafely(const std::string &path, std::string_view bytes, bool replace,
                            const CancelFn &cancelled = {});

// Writes `path` as a zip of `files` (each stored under its own file name).
std::string writeZip(const std::string &path, const std::vector<std::string> &files, bool replace,
                     const CancelFn &cancelled = {});

// The CD+G stream of the song at `songPath`, `seconds` long, its lyrics
// timed for a play at the live tempo factor `liveTempoFactor` (above 1 =
// slower, as the tempo option sets it). error is set when the song cannot be read.
CdgStream songCdg(const std::string &songPath, double seconds, double liveTempoFactor, const CdgOptions &options);

// What `mp3 --cdg` and the window's conversion call once the MP3 is in
// place: OUT.cdg beside `mp3Path` (same stem) and, with `zip`, OUT.zip
// holding both. Warnings (missing characters, font) go to `warnings`.
// Returns "" when written, else what failed.
std::string writeSongCdgBeside(const std::string &songPath, const std::string &mp3Path, double seconds,
                               double liveTempoFactor, const CdgOptions &options, bool zip, bool replace,
                               std::vector<std::string> &warnings, const CancelFn &cancelled = {});

// Reads "BG,TEXT,SUNG" (each #RRGGBB, RRGGBB or #RGB) into options; "" when
// taken, else why not.
std::string parseColours(const std::string &text, CdgOptions &options);

} // namespace cantora::cdg
