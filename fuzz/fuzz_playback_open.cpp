// libFuzzer target: the MP3 player's decoder on arbitrary bytes. Opening
// either fails with a reason or gives a length; decoding ends, never hands
// out more than the length promises, and seeks stay inside the file.
// Links cantora_playback.

#include "fuzzcheck.h"
#include "playback/mp3decoder.h"

#include <cstdint>
#include <string>
#include <vector>

using cantora::playback::Mp3Decoder;
using fuzzcheck::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Mp3Decoder d;
    if (!d.openBytes(std::string(reinterpret_cast<const char *>(data), size))) {
        check(!d.error().empty() && !d.isOpen());
        return 0;
    }
    check(d.rate() > 0 && d.length() > 0);
    std::vector<float> buf(2 * 1152);
    std::int64_t total = 0;
    while (std::size_t n = d.read(buf.data(), 1152)) {
        total += static_cast<std::int64_t>(n);
        check(total <= d.length());
    }
    check(d.seek(d.length() / 2) && d.tell() <= d.length());
    d.read(buf.data(), 1152);
    // A broken first frame can leave the decoder a little past the start.
    check(d.seek(0) && d.tell() <= d.length());
    return 0;
}
