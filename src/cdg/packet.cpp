#include "cdg/packet.h"

#include <cmath>

namespace cantora::cdg {

namespace {

constexpr std::uint8_t kGraphicsCommand = 0x09;
constexpr int kDataOffset = 4;

Packet packet(Instruction instruction) {
    Packet p{};
    p[0] = kGraphicsCommand;
    p[1] = instruction;
    return p;
}

} // namespace

std::size_t packetCount(double seconds) {
    if (!(seconds > 0))
        return 0;
    // A hair of tolerance so that 10.00 s computed in floating point stays 3000.
    return static_cast<std::size_t>(std::ceil(seconds * kPacketsPerSecond - 1e-6));
}

Packet memoryPreset(int colour) {
    Packet p = packet(kMemoryPreset);
    p[kDataOffset] = static_cast<std::uint8_t>(colour & 0x0f);
    return p;
}

Packet borderPreset(int colour) {
    Packet p = packet(kBorderPreset);
    p[kDataOffset] = static_cast<std::uint8_t>(colour & 0x0f);
    return p;
}

Packet loadColours(const Palette &palette, bool high) {
    Packet p = packet(high ? kLoadColoursHigh : kLoadColoursLow);
    for (int i = 0; i < 8; ++i) {
        const Rgb4 c = palette[static_cast<std::size_t>(i + (high ? 8 : 0))];
        // rrrrgg ggbbbb in two 6-bit bytes
        p[static_cast<std::size_t>(kDataOffset + 2 * i)] =
            static_cast<std::uint8_t>((c.r & 0x0f) << 2 | (c.g & 0x0f) >> 2);
        p[static_cast<std::size_t>(kDataOffset + 2 * i + 1)] =
            static_cast<std::uint8_t>((c.g & 0x03) << 4 | (c.b & 0x0f));
    }
    return p;
}

Packet tileBlock(bool xorMode, int colour0, int colour1, int row, int column, const TileBits &bits) {
    Packet p = packet(xorMode ? kTileBlockXor : kTileBlock);
    p[kDataOffset] = static_cast<std::uint8_t>(colour0 & 0x0f);
    p[kDataOffset + 1] = static_cast<std::uint8_t>(colour1 & 0x0f);
    p[kDataOffset + 2] = static_cast<std::uint8_t>(row & 0x1f);
    p[kDataOffset + 3] = static_cast<std::uint8_t>(column & 0x3f);
    for (std::size_t i = 0; i < bits.size(); ++i)
        p[kDataOffset + 4 + i] = bits[i] & 0x3f;
    return p;
}

void append(std::string &out, const Packet &p) { out.append(reinterpret_cast<const char *>(p.data()), p.size()); }

} // namespace cantora::cdg
