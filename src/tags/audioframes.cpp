#include "tags/audioframes.h"

#include <algorithm>
#include <array>
#include <string>

namespace cantora::tags {

namespace {

// kbit/s by bitrate index 1..14 (index 0, free format, is not taken).
constexpr std::array<std::array<std::int16_t, 15>, 5> kBitrates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // MPEG 1 layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // MPEG 1 layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // MPEG 1 layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // MPEG 2/2.5 layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // MPEG 2/2.5 layers II, III
}};

constexpr std::array<std::int32_t, 3> kRates = {44100, 48000, 32000}; // MPEG 1; halved for 2, quartered for 2.5

bool sameStream(const FrameHeader &a, const FrameHeader &b) {
    return a.version == b.version && a.layer == b.layer && a.rate == b.rate;
}

// Bytes that may follow the last frame: the tags written behind the audio.
bool tagFollows(const core::ByteSource &file, std::int64_t at) {
    const std::string head = file.readString(at, 11);
    return head.rfind("TAG", 0) == 0 || head == "LYRICSBEGIN" || head.rfind("APETAGEX", 0) == 0 ||
           head.rfind("ID3", 0) == 0;
}

// Whether the frame at `at` starts audio: it and the frames after it, of the
// same stream, reach the end of the file or a tag, or run on for four frames.
// The samples of a WAV hold many bytes that look like a header, and now and
// then two in a row; four do not happen.
bool framesFollow(const core::ByteSource &file, std::int64_t at, FrameHeader h) {
    const std::int64_t size = file.size();
    for (int frames = 1;; ++frames) {
        const std::int64_t next = at + h.length;
        if (next == size || (next < size && tagFollows(file, next)) || frames == 4)
            return true;
        const std::string head = file.readString(next, 4);
        if (head.size() < 4)
            return false;
        const auto n = ParseFrameHeader(reinterpret_cast<const unsigned char *>(head.data()));
        if (!n || !sameStream(h, *n))
            return false;
        at = next;
        h = *n;
    }
}

} // namespace

std::optional<Id3v2Span> LeadingId3v2(const core::ByteSource &file) {
    const std::string h = file.readString(0, 10);
    if (h.size() < 10 || h.compare(0, 3, "ID3") != 0)
        return std::nullopt;
    std::int64_t size = 0;
    for (std::size_t i = 6; i < 10; ++i)
        size = (size << 7) | (static_cast<unsigned char>(h[i]) & 0x7F);
    const Id3v2Span span{static_cast<unsigned char>(h[3]),
                         10 + size + ((static_cast<unsigned char>(h[5]) & 0x10) ? 10 : 0)};
    if (span.end > file.size())
        return std::nullopt;
    return span;
}

std::optional<FrameHeader> ParseFrameHeader(const unsigned char *b) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (b[1] >> 3) & 3;
    const int layerBits = (b[1] >> 1) & 3;
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    FrameHeader h;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h.layer = 4 - layerBits;
    const std::size_t table = h.version == 1 ? static_cast<std::size_t>(h.layer - 1) : (h.layer == 1 ? 3 : 4);
    h.bitrate = kBitrates[table][static_cast<std::size_t>(bitrateIndex)] * 1000;
    h.rate = kRates[static_cast<std::size_t>(rateIndex)] / (h.version == 1 ? 1 : h.version == 2 ? 2 : 4);
    const int padding = (b[2] >> 1) & 1;
    if (h.layer == 1)
        h.length = (12 * h.bitrate / h.rate + padding) * 4;
    else if (h.layer == 3 && h.version != 1)
        h.length = 72 * h.bitrate / h.rate + padding;
    else
        h.length = 144 * h.bitrate / h.rate + padding;
    return h;
}

std::optional<std::int64_t> FindFirstAudioFrame(const core::ByteSource &file, std::int64_t searchBytes) {
    const std::optional<Id3v2Span> tag = LeadingId3v2(file);
    const std::int64_t start = tag ? tag->end : 0;
    const std::int64_t size = file.size();
    if (start >= size)
        return std::nullopt;
    const std::string area = file.readString(start, static_cast<std::size_t>(std::min(searchBytes + 3, size - start)));
    const auto *bytes = reinterpret_cast<const unsigned char *>(area.data());
    for (std::size_t i = 0; i + 4 <= area.size(); ++i) {
        const std::optional<FrameHeader> h = ParseFrameHeader(bytes + i);
        if (!h)
            continue;
        const std::int64_t at = start + static_cast<std::int64_t>(i);
        if (framesFollow(file, at, *h))
            return at;
    }
    return std::nullopt;
}

std::string NotMpegAudio(const std::string &path) {
    core::FileSource file;
    if (!file.open(path))
        return file.error();
    return FindFirstAudioFrame(file) ? std::string() : kNoAudioFrame;
}

} // namespace cantora::tags
