// libFuzzer target: the WAV reader on arbitrary bytes. Every outcome must be
// either blocks of whole stereo frames inside the data or a numbered error;
// reading must end, seeks must stay inside the data.

#include "render/numberederror.h"
#include "render/wavreader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

using cantora::render::cWavReader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // The reader opens files by name: give it the bytes as an in-memory file.
    const int fd = memfd_create("fuzz.wav", 0);
    if (fd < 0)
        return 0;
    if (size && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        cWavReader r;
        r.ReadBufferSize(4096);
        if (r.OpenFile(path)) {
            const std::int64_t length = r.AudioLength();
            if (length < 0 || length * 4 > static_cast<std::int64_t>(size))
                std::abort();
            std::int64_t total = 0;
            bool more = true;
            for (int blocks = 0; more; ++blocks) {
                more = r.Read();
                total += r.ReadSize();
                if (r.ReadSize() < 0 || r.ReadSize() > r.ReadBufferSize() || blocks > length / 4096 + 2)
                    std::abort();
            }
            if (total != length)
                std::abort();
            r.SeekAbsolute(length / 2);
            (void)r.Read();
        }
    } catch (const cantora::render::NumberedError &) {
        // A refused file is a fine outcome.
    }
    close(fd);
    return 0;
}
