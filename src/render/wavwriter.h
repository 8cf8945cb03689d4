#pragma once
// Writes a PCM WAV file: the 44-byte header (12-byte RIFF head, 24-byte
// format chunk, 8-byte data chunk head) with both sizes 0, then the samples
// as they come, then the sizes patched in by finish().
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

    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter &) = delete;
    WavWriter &operator=(const WavWriter &) = delete;

    // Creates (or replaces) the file and writes the header with sizes 0.
    bool open(const std::string &path, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
    bool write(const void *data, std::size_t bytes);
    // Patches both sizes and closes the file; false if anything failed.
    bool finish();
    // Closes without patching (the caller removes the file).
    void abandon();

    std::uint64_t dataBytes() const { return dataBytes_; }
    bool isOpen() const { return file_ != nullptr; }

private:
    std::FILE *file_ = nullptr;
    std::uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

} // namespace cantora::render
