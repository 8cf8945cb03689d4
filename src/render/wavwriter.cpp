#include "render/wavwriter.h"

#include <cerrno>
#include <cstring>

namespace cantora::render {

namespace {
void put16(std::uint8_t *p, std::uint16_t v) {
    p[0] = v & 0xFF;
    p[1] = v >> 8;
}
void put32(std::uint8_t *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = (v >> (8 * i)) & 0xFF;
}
} // namespace

std::array<std::uint8_t, 44> wavHeader(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                       std::uint32_t dataBytes) {
    std::array<std::uint8_t, 44> h{};
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    std::memcpy(&h[0], "RIFF", 4);
    put32(&h[4], dataBytes + 36);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    put32(&h[16], 16);
    put16(&h[20], 1);
    put16(&h[22], channels);
    put32(&h[24], rate);
    put32(&h[28], blockAlign * rate);
    put16(&h[32], blockAlign);
    put16(&h[34], bits);
    std::memcpy(&h[36], "data", 4);
    put32(&h[40], dataBytes);
    return h;
}

bool WavWriter::open(std::FILE *file, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    file_ = file;
    dataBytes_ = 0;
    errno_ = 0;
    seekable_ = file && ftello(file) >= 0;
    const auto h = wavHeader(channels, rate, bits, seekable_ ? 0 : static_cast<std::uint32_t>(kMaxDataBytes));
    failed_ = !file || std::fwrite(h.data(), 1, h.size(), file_) != h.size();
    if (failed_)
        errno_ = errno;
    return !failed_;
}

bool WavWriter::write(const void *data, std::size_t bytes) {
    if (!file_ || failed_)
        return false;
    if (dataBytes_ + bytes > kMaxDataBytes) {
        failed_ = true; // a WAV file cannot describe more
        return false;
    }
    if (std::fwrite(data, 1, bytes, file_) != bytes) {
        failed_ = true;
        errno_ = errno;
    }
    dataBytes_ += bytes;
    return !failed_;
}

bool WavWriter::finish() {
    if (!file_ || failed_)
        return false;
    bool ok = true;
    if (seekable_) {
        std::uint8_t b[4];
        const auto data = static_cast<std::uint32_t>(dataBytes_);
        put32(b, data + 36);
        ok = std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(b, 1, 4, file_) == 4;
        put32(b, data);
        ok = ok && std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(b, 1, 4, file_) == 4;
    }
    ok = ok && std::fflush(file_) == 0;
    if (!ok)
        errno_ = errno;
    file_ = nullptr;
    return ok;
}

} // namespace cantora::render
