// libFuzzer target: the ID3v2 tag at the start of arbitrary bytes, read and
// written again with new fields and lyrics. A write either names the damage
// or gives a tag that reads back with the lyrics it was given, followed by
// every byte that followed the old tag.

#include "core/byteio.h"
#include "fuzzcheck.h"
#include "tags/id3v2tag.h"

#include <cstdint>
#include <string>

using cantora::core::MemorySource;
using fuzzcheck::check;
namespace tags = cantora::tags;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const tags::Id3v2Info info = tags::ReadId3v2(MemorySource(bytes));
    check(!info.present || (info.size >= 10 && info.size <= static_cast<std::int64_t>(size)));
    (void)tags::FormatId3v2(info);
    (void)tags::Id3v2LyricLines(info);

    tags::Id3v2Edit edit = tags::LyricsEdit("[00:01.00]<00:01.00>Mo<00:01.50>on\r\n[00:02.00]\xC3\xA9t\xC3\xA9\r\n");
    edit.title = "Title";
    edit.dropDamaged = size % 2 == 1;
    const tags::Id3v2Render r = tags::RenderId3v2(MemorySource(bytes), edit, size % 3 == 0 ? 3 : 4);
    if (!r.error.empty())
        return 0;
    check(r.replaces >= 0 && r.replaces <= static_cast<std::int64_t>(size));
    const std::string saved = r.tag + bytes.substr(static_cast<std::size_t>(r.replaces));
    const tags::Id3v2Info again = tags::ReadId3v2(MemorySource(saved));
    check(again.present && again.damage.empty() && again.size == static_cast<std::int64_t>(r.tag.size()));
    check(again.lyrics == *edit.lyrics && again.synced == *edit.synced);
    return 0;
}
