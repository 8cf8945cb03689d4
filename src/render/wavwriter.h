#pragma once
// Writes a PCM WAV stream: the 44-byte header (12-byte RIFF head, 24-byte
// format chunk, 8-byte data chunk head), then the samples as they come; on a
// file finish() patches both sizes in, on a pipe they stay the largest a
// WAV file can give (readers then read to the end of the stream).
//
//   0 "RIFF" | 4 data size + 36 | 8 "WAVE" | 12 "fmt " | 16 16 | 20 1 (PCM)
//   22 channels | 24 rate | 28 block align x rate | 32 channels x bits / 8
//   34 bits | 36 "data" | 40 data size | 44 samples

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace cantora::render {

// The 44 header bytes for a stream of `dataBytes` bytes.
std::array<std::uint8_t, 44> wavHeader(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                       std::uint32_t dataBytes);

class WavWriter {
public:
    // The largest data size whose RIFF size (data + 36) still fits 32 bits.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFu - 36;

    // Writes the header to `file`, which the caller owns and closes.
    bool open(std::FILE *file, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
    bool write(const void *data, std::size_t bytes);
    // Patches both sizes where the stream can seek and flushes; false if anything failed.
    bool finish();
    // The errno of the first failure, 0 when none (or the WAV limit was reached).
    int error() const { return errno_; }

    std::uint64_t dataBytes() const { return dataBytes_; }
    bool isOpen() const { return file_ != nullptr; }

private:
    std::FILE *file_ = nullptr;
    std::uint64_t dataBytes_ = 0;
    bool failed_ = false;
    bool seekable_ = false;
    int errno_ = 0;
};

} // namespace cantora::render
