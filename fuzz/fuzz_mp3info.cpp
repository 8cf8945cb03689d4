// libFuzzer target: MPEG frame information, ID3v1 and Lyrics3 v2 reading and
// the search for the first audio frame on arbitrary bytes, then a tag write
// simulated in memory. Saving must put exactly one block and one tag at the
// end, never cut before the write position, and a second save must land at
// the same place; UTF-8 lyrics read back as written.

#include "core/byteio.h"
#include "core/textcodec.h"
#include "fuzzcheck.h"
#include "tags/audioframes.h"
#include "tags/id3module.h"

#include <cstdint>
#include <string>

using cantora::core::MemorySource;
using cantora::tags::Id3Module;
using fuzzcheck::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    Id3Module m;
    const auto info = m.GetMp3Info(MemorySource(bytes), "fuzz.mp3");
    (void)cantora::tags::FormatInfoPanel(info);

    const auto frame = cantora::tags::FindFirstAudioFrame(MemorySource(bytes));
    check(!frame || (*frame >= 0 && *frame + 4 <= static_cast<std::int64_t>(size)));

    const auto at = m.WritePosition(MemorySource(bytes));
    check(at.has_value() && *at >= 0 && *at <= static_cast<std::int64_t>(size));

    const auto tag = cantora::tags::MakeId3v1Tag("Title", "Artist", "", "2024", "", 12);
    const std::string lyrics = "[00:01]\xE6\x9C\x88 la"; // UTF-8, as CP1252 cannot hold it
    const std::string saved = bytes.substr(0, static_cast<std::size_t>(*at)) +
                              Id3Module::LyricsBlock(cantora::core::encodeForWriting(lyrics)) + tag.Bytes();
    const auto again = m.GetMp3Info(MemorySource(saved), "fuzz.mp3");
    check(m.HasId3v1 && m.LyricsTagFound && !m.LyricsBlockDamaged);
    check(again.Title == "Title" && again.Lyrics == lyrics);
    check(m.WritePosition(MemorySource(saved)) == at);
    return 0;
}
