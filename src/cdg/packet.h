#pragma once
// The CD+G graphics stream: 24-byte packets, 300 a second, drawing on a
// 300x216 screen of 6x12-pixel tiles (50 columns, 18 rows) with a table of
// 16 colours. A packet is the graphics command 0x09, an instruction, two
// parity bytes, 16 data bytes and four parity bytes; only the low six bits
// of each byte are used. Parity is left zero, as players of files expect.

#include <array>
#include <cstdint>
#include <string>

namespace cantora::cdg {

inline constexpr int kPacketsPerSecond = 300;
inline constexpr int kPacketBytes = 24;
inline constexpr int kScreenWidth = 300, kScreenHeight = 216;
inline constexpr int kTileWidth = 6, kTileHeight = 12;
inline constexpr int kTileColumns = kScreenWidth / kTileWidth, kTileRows = kScreenHeight / kTileHeight;

enum Instruction : std::uint8_t {
    kMemoryPreset = 1,
    kBorderPreset = 2,
    kTileBlock = 6,
    kLoadColoursLow = 30,
    kLoadColoursHigh = 31,
    kTileBlockXor = 38,
};

using Packet = std::array<std::uint8_t, kPacketBytes>;
// A colour as 4-bit red, green and blue.
struct Rgb4 {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb4 &) const = default;
};
using Palette = std::array<Rgb4, 16>;
// One tile's pixels, 6 bits a row, the leftmost pixel in bit 5.
using TileBits = std::array<std::uint8_t, kTileHeight>;

// The number of packets for a song of `seconds`: ceil(seconds x 300).
std::size_t packetCount(double seconds);

Packet memoryPreset(int colour);
Packet borderPreset(int colour);
// Colours 0-7 (high = false) or 8-15 of the palette.
Packet loadColours(const Palette &palette, bool high);
// Draws (or with `xorMode` XORs) a tile: each pixel gets colour1 where its
// bit is set, colour0 where not.
Packet tileBlock(bool xorMode, int colour0, int colour1, int row, int column, const TileBits &bits);

// Appends the packet's bytes to `out`.
void append(std::string &out, const Packet &p);

} // namespace cantora::cdg
