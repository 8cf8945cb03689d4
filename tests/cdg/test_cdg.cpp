#include "cdg/cdgfile.h"
#include "cdg/cdgsong.h"
#include "cdg/textraster.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace cantora;
using namespace cantora::cdg;

namespace {

// What a player shows: the 300x216 screen replayed packet by packet.
struct Screen {
    std::array<std::uint8_t, kScreenWidth * kScreenHeight> px{};
    std::uint8_t &at(int x, int y) { return px[static_cast<std::size_t>(y * kScreenWidth + x)]; }
    void apply(const std::uint8_t *p) {
        if ((p[0] & 0x3f) != 9)
            return;
        const std::uint8_t *d = p + 4;
        const int instruction = p[1] & 0x3f;
        if (instruction == kMemoryPreset)
            px.fill(d[0] & 15);
        if (instruction != kTileBlock && instruction != kTileBlockXor)
            return;
        for (int y = 0; y < kTileHeight; ++y)
            for (int x = 0; x < kTileWidth; ++x) {
                const int c = (d[4 + y] >> (5 - x) & 1) ? d[1] & 15 : d[0] & 15;
                std::uint8_t &v = at((d[3] & 0x3f) * kTileWidth + x, (d[2] & 0x1f) * kTileHeight + y);
                v = static_cast<std::uint8_t>(instruction == kTileBlockXor ? v ^ c : c);
            }
    }
};

std::vector<std::uint8_t> bytesOf(const Packet &p) { return {p.begin(), p.end()}; }

} // namespace

TEST(CdgPackets, CountsColoursAndTiles) {
    EXPECT_EQ(packetCount(10.00), 3000u);
    EXPECT_EQ(packetCount(0.001), 1u);
    Palette palette{};
    palette[0] = {0x1, 0x2, 0x3};
    palette[1] = {0xf, 0xf, 0xf};
    palette[9] = {0xa, 0x5, 0xc};
    const std::vector<std::uint8_t> low = bytesOf(loadColours(palette, false));
    EXPECT_EQ(std::vector<std::uint8_t>(low.begin(), low.begin() + 8),
              (std::vector<std::uint8_t>{9, 30, 0, 0, 0x04, 0x23, 0x3f, 0x3f}));
    const std::vector<std::uint8_t> high = bytesOf(loadColours(palette, true));
    EXPECT_EQ(high[1], 31);
    EXPECT_EQ(high[6], 0x29); // colour 9: 1010 01
    EXPECT_EQ(high[7], 0x1c); //           01 1100
    CdgOptions o;             // --colours: background, text, sung; #RRGGBB or #RGB
    ASSERT_EQ(parseColours("#123456,Abc,fedcba", o), "");
    EXPECT_TRUE(o.background == (Rgb4{1, 3, 5}) && o.text == (Rgb4{10, 11, 12}) && o.sung == (Rgb4{15, 13, 11}));
    EXPECT_TRUE(cdgPalette(o)[kOutline] == (Rgb4{0, 0, 0}) && cdgPalette(o)[kBackground] == o.background);
    EXPECT_NE(parseColours("#000,#000", o), "");
    // An "L" in colour 13 on 2 at row 3, column 7.
    const TileBits l{0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x3f, 0};
    EXPECT_EQ(bytesOf(tileBlock(false, 2, 13, 3, 7, l)),
              (std::vector<std::uint8_t>{9,    6,    0,    0,    2,    13,   3,    7, 0x20, 0x20, 0x20, 0x20,
                                         0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x3f, 0, 0,    0,    0,    0}));
}

TEST(CdgText, MissingCharacterIsABoxAndNamed) {
    TextRaster raster;
    std::string error;
    ASSERT_TRUE(raster.open("", kFontPixels, error)) << error;
    EXPECT_GE(raster.lineHeight(), 2 * kTileHeight);
    const TextBitmap b = raster.draw("A\xee\x80\x80", {0, 1, 4});
    ASSERT_EQ(raster.missing(), std::vector<char32_t>{0xe000});
    EXPECT_EQ(describeCharacter(0xe9), "U+00E9 '\xc3\xa9'");
    EXPECT_EQ(describeCharacter(0x800), "U+0800 '\xe0\xa0\x80'");        // the first of three bytes
    EXPECT_EQ(describeCharacter(0x1f3a4), "U+1F3A4 '\xf0\x9f\x8e\xa4'"); // a microphone: four
    EXPECT_LT(b.marks[0], b.marks[1]);
    EXPECT_TRUE(std::any_of(b.ink.begin() + b.marks[1], b.ink.begin() + b.marks[2], [](auto v) { return v; }) ||
                b.at(b.marks[1] + 2, raster.ascent() - 1));
}

// A whole song replayed: paragraphs, a line too wide for one row, quick syllables, a long instrumental gap.
TEST(CdgSong, ReplayShowsEveryLineInTimeAndWipesIt) {
    std::vector<lyrics::LrcMark> marks;
    double t = 6.0;
    const auto sing = [&](const std::string &text, double seconds) {
        marks.push_back({text, 0, t});
        t += seconds;
    };
    for (int paragraph = 0; paragraph < 3; ++paragraph) {
        for (int line = 0; line < 5; ++line) {
            sing(std::string(line ? "/" : "\\") + "Twin", 0.3);
            for (const char *s : {"kle ", "lit", "tle ", "star "})
                sing(s, 0.12);
            if (line == 2)
                for (const char *s : {"how ", "I ", "won", "der ", "what ", "you ", "are ", "up ", "a", "bove"})
                    sing(s, 0.2);
            t += 0.5;
        }
        t += paragraph == 1 ? 14.0 : 0.5;
    }
    const lyrics::LyricTimeline timeline(marks, {"Twinkle"});
    const double seconds = t + 5;
    const CdgStream stream = makeCdg(timeline, seconds, CdgOptions{});
    ASSERT_EQ(stream.error, "");
    ASSERT_EQ(stream.bytes.size(), packetCount(seconds) * kPacketBytes);
    EXPECT_GT(stream.lines.size(), timeline.lines().size()); // the long line wrapped
    EXPECT_LE(stream.latest, 0.2);

    const auto *bytes = reinterpret_cast<const std::uint8_t *>(stream.bytes.data());
    Screen screen;
    std::size_t slot = 0;
    const auto playTo = [&](double at) {
        for (; slot < packetCount(at) && slot * kPacketBytes < stream.bytes.size(); ++slot) {
            const std::uint8_t *p = bytes + slot * kPacketBytes;
            if (p[0] == 0) {
                ASSERT_TRUE(std::all_of(p, p + kPacketBytes, [](auto b) { return b == 0; })) << "packet " << slot;
            }
            screen.apply(p);
        }
    };
    playTo(1.0); // the title screen, centred
    int left = kScreenWidth, right = -1;
    for (int y = 0; y < kScreenHeight; ++y)
        for (int x = 0; x < kScreenWidth; ++x)
            if (screen.at(x, y) != screen.at(0, 0)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_NEAR(left, kScreenWidth - 1 - right, 3) << left << " " << right;
    // Check points in time order: each line's first syllable, its wipe, its last syllable's end.
    std::vector<std::pair<double, std::size_t>> points;
    for (std::size_t i = 0; i < stream.lines.size(); ++i) {
        const DisplayLine &d = stream.lines[i];
        for (double f = 0; f < 1; f += 0.125)
            points.push_back({d.start + f * (d.end - d.start), i});
        // Wholly sung once the last wipe step is sent, while it is still shown.
        if (d.end + stream.latest + 0.01 < d.to)
            points.push_back({d.end + stream.latest + 0.01, i});
    }
    std::sort(points.begin(), points.end());
    std::vector<int> sungBefore(stream.lines.size(), -1);
    std::size_t wholeLines = 0;
    for (const auto &[at, i] : points) {
        playTo(at);
        const DisplayLine &d = stream.lines[i];
        int sung = 0, fill = 0;
        for (int y = 0; y < kRowHeight; ++y)
            for (int x = 0; x < kScreenWidth; ++x) {
                const std::uint8_t want = d.pixels[static_cast<std::size_t>(y * kScreenWidth + x)];
                const std::uint8_t shown = screen.at(x, d.top + y);
                fill += want == kTextColour;
                sung += want == kTextColour && shown == kSungColour;
                ASSERT_TRUE(shown == want || (want == kTextColour && shown == kSungColour))
                    << "line " << i << " \"" << d.text << "\" at " << at << " s, pixel " << x << "," << y;
            }
        EXPECT_GE(sung, sungBefore[i]) << "line " << i << " at " << at;
        sungBefore[i] = sung;
        if (at > d.end) {
            EXPECT_EQ(sung, fill) << "line " << i << " not wholly sung at its end";
            ++wholeLines;
        }
    }
    EXPECT_GT(wholeLines, stream.lines.size() / 3);
}
