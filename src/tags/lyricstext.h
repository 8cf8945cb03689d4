#pragma once
// Lyric text files (plain text or LRC) as the tag editor loads them into its
// lyric box: every line that is not blank, each ended by CR LF.

#include <string>
#include <string_view>

namespace cantora::tags {

// The lyric box text for the bytes of a lyric file: UTF-8 or CP1252, or the
// Unicode encoding its byte-order mark names (UTF-8, UTF-16, UTF-32), lines
// ended by LF, CR LF or CR. Blank lines
// are dropped; the others are kept as they are and ended by CR LF.
std::string LyricBoxText(std::string_view fileBytes);

} // namespace cantora::tags
