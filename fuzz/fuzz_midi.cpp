// libFuzzer target: the Standard MIDI File reader on arbitrary bytes, with
// the promises its callers rely on checked on every result.
#include "audio/midifile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto r = cantora::audio::readMidi(std::string_view(reinterpret_cast<const char *>(data), size));
    if (r.ok() && r.file.tracks.empty())
        __builtin_trap(); // a successful read always has a track
    // What a part read reports stays within what was there.
    if (r.ok() &&
        (r.file.readBytes > r.file.sizeBytes || r.file.sizeBytes != size ||
         r.file.incompleteTracks > r.file.tracks.size() || (r.file.incompleteTracks > 0 && !r.file.truncated)))
        __builtin_trap();
    for (const auto &t : r.file.tracks) {
        std::uint64_t tick = 0;
        std::uint32_t offset = 0;
        for (const auto &e : t.events) {
            // Ticks never go back, events follow each other in the file, and
            // a payload is never larger than the file it came from.
            if (e.tick < tick || (offset && e.offset <= offset) || e.offset >= size || e.data.size() > size)
                __builtin_trap();
            if (e.status < 0x80 || (e.status < 0xF0 && (e.data1 > 0x7F || e.data2 > 0x7F)))
                __builtin_trap();
            tick = e.tick;
            offset = e.offset;
        }
    }
    return 0;
}
