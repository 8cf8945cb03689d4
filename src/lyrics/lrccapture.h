#pragma once
// Real-time capture of a timed lyric list while the song plays with "MP3K"
// ticked. The window feeds it every reached mark with the position slider's
// whole seconds; at each break of the lyric grammar (lyricgrammar.h: "/",
// "\", "<", or a CR/LF before the syllable) the line that just ended is
// recorded with its own start tag, the position of the syllable that opens
// the next line. At Stop the list becomes SYNCRO.LRC.
//
// The captured lines are kept apart from the page the window shows: both are
// fed by the same marks, but the page turns and is cut to two lines while a
// captured line is always the whole line as sung.
//
// Threading: plain data, no locks; the window calls it on its own thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lyricgrammar.h"

namespace cantora::lyrics {

class LrcCapture {
public:
    // Entries kept at most; breaks past that are not recorded.
    static constexpr std::size_t kMaxEntries = 501;

    // One recorded line.
    struct Entry {
        std::string line; // the line as stored in the song, break character first (UTF-8)
        std::string tag;  // its start tag, "[mm:ss]"; empty for the text before the first break
    };

    // Forgets everything (a song was opened).
    void reset();

    // One reached mark, its text as stored (8-bit), at the slider's whole
    // seconds. Returns true when it recorded an entry (the window then
    // appends entryText(entries().back()) to the capture box).
    bool onMark(std::string_view text, int sliderSeconds);

    const std::vector<Entry> &entries() const { return entries_; }
    // The page to show: the capture keeps it to at most two lines.
    const std::string &page() const { return page_; }
    // The line still open, and the tag of its start.
    const std::string &openLine() const { return open_.line; }
    const std::string &openTag() const { return open_.tag; }

    // The capture box's text for one entry: tag, line without its break
    // character, CR LF.
    static std::string entryText(const Entry &e);

    // SYNCRO.LRC as written at Stop, CP1252: an empty first tag reads
    // "[00:00]"; every entry, then the line still open, each as
    // tag + line without a leading "/", "<" or "\" + CR LF.
    std::string fileBytes() const;

private:
    std::vector<Entry> entries_;
    Entry open_;
    std::string page_;
    MarkReader reader_;
};

} // namespace cantora::lyrics
