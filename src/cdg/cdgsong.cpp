#include "cdg/cdgsong.h"

#include "cdg/textraster.h"
#include "lyrics/singalonglayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>
#include <strings.h>

namespace cantora::cdg {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();
// A wipe step is sent at most this long before its time; the columns a
// step colours fall within this long of each other.
constexpr double kWipeLead = 0.05;
// Erasing what left the screen may wait this long.
constexpr double kClearSlack = 1.0;
// Long gaps: their own screen from this long after the last line.
constexpr double kGapScreenDelay = 1.0;
constexpr int kTilesPerPicture = kTileColumns * kTileRows;
constexpr int kDotTileRow = 2;
constexpr double kEndScreenDelay = 2.0;
// Lyrics due in the file's first second cannot be drawn ahead: not counted late.
constexpr double kStartSeconds = 1.0;

using TileColours = std::array<std::uint8_t, kTileWidth * kTileHeight>;

// Something on screen for a while: a lyric row, the title, a gap's or the
// end's screen, a countdown dot. Pixels are ColourIndex values (fill as
// kTextColour) of the tile rows [tileTop, tileTop + tileRows).
struct Item {
    double from = 0, to = kNever, due = 0;
    int tileTop = 0, tileRows = 0;
    std::vector<std::uint8_t> pixels; // kScreenWidth x tileRows x kTileHeight
    int line = -1;                    // DisplayLine with a wipe
};

// A tile's next picture: on screen from `at`, sent no earlier than
// `release`, completely sent by `due`.
struct Change {
    double release = 0, due = 0;
    TileColours colours{};
    bool lyric = false; // counted in the lateness report
    bool erase = false;
};

std::vector<std::uint8_t> outlined(const TextBitmap &b, int width, int height, int x0, int y0) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width * height), kBackground);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int bx = x - x0, by = y - y0;
            std::uint8_t v = kBackground;
            if (b.at(bx, by))
                v = kTextColour;
            else
                for (int dy = -1; dy <= 1 && !v; ++dy)
                    for (int dx = -1; dx <= 1 && !v; ++dx)
                        if (b.at(bx + dx, by + dy))
                            v = kOutline;
            out[static_cast<std::size_t>(y * width + x)] = v;
        }
    return out;
}

// Texts stacked and centred in the lyric rows, wrapped at spaces.
Item textScreen(TextRaster &raster, const std::vector<std::string> &texts) {
    std::vector<std::string> rows;
    for (const std::string &t : texts) {
        std::vector<std::string> words;
        std::size_t at = 0;
        while (at <= t.size()) {
            const std::size_t space = std::min(t.find(' ', at), t.size());
            words.push_back(t.substr(at, space - at) + (space < t.size() ? " " : ""));
            at = space + 1;
        }
        for (const lyrics::LayoutRow &r : lyrics::wrapSyllables(
                 words, [&](std::string_view s) { return static_cast<double>(raster.measure(s)); }, kTextMaxWidth)) {
            std::string row;
            for (std::size_t i = r.first; i < r.first + r.count; ++i)
                row += words[i];
            while (!row.empty() && row.back() == ' ')
                row.pop_back();
            if (!row.empty() && static_cast<int>(rows.size()) < kRowCount)
                rows.push_back(row);
        }
    }
    Item item;
    item.tileTop = kFirstRowTop / kTileHeight;
    item.tileRows = kRowCount * kRowHeight / kTileHeight;
    item.pixels.assign(static_cast<std::size_t>(kScreenWidth * item.tileRows * kTileHeight), kBackground);
    const int firstRow = (kRowCount - static_cast<int>(rows.size())) / 2;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TextBitmap b = raster.draw(rows[i], {}, 1);
        const std::vector<std::uint8_t> row =
            outlined(b, kScreenWidth, kRowHeight, (kScreenWidth - b.width) / 2, (kRowHeight - b.height) / 2);
        std::copy(row.begin(), row.end(),
                  item.pixels.begin() + (firstRow + static_cast<std::ptrdiff_t>(i)) * kRowHeight * kScreenWidth);
    }
    return item;
}

// The timeline's lines cut where they are wider than the screen.
std::vector<lyrics::TimedLine> wrapLines(const lyrics::LyricTimeline &timeline, TextRaster &raster,
                                         std::vector<DisplayLine> &display) {
    std::vector<lyrics::TimedLine> out;
    for (std::size_t l = 0; l < timeline.lines().size(); ++l) {
        const lyrics::TimedLine &line = timeline.lines()[l];
        std::vector<std::string> texts;
        for (const lyrics::TimedSyllable &s : line.syllables)
            texts.push_back(s.text);
        for (const lyrics::LayoutRow &r : lyrics::wrapSyllables(
                 texts, [&](std::string_view s) { return static_cast<double>(raster.measure(s)); }, kTextMaxWidth)) {
            lyrics::TimedLine piece;
            piece.paragraph = line.paragraph;
            piece.syllables.assign(line.syllables.begin() + static_cast<std::ptrdiff_t>(r.first),
                                   line.syllables.begin() + static_cast<std::ptrdiff_t>(r.first + r.count));
            DisplayLine d;
            d.text = piece.text();
            d.timelineLine = l;
            d.firstSyllable = r.first;
            d.syllableCount = r.count;
            out.push_back(std::move(piece));
            display.push_back(std::move(d));
        }
    }
    return out;
}

// Draws a display line into its row, centred on its visible text.
void drawLine(DisplayLine &d, const lyrics::TimedLine &line, TextRaster &raster) {
    std::vector<std::size_t> offsets;
    std::size_t at = 0;
    for (const lyrics::TimedSyllable &s : line.syllables) {
        offsets.push_back(at);
        at += s.text.size();
    }
    offsets.push_back(at);
    const std::size_t first = std::min(d.text.find_first_not_of(' '), d.text.size());
    const std::size_t last = d.text.find_last_not_of(' ');
    offsets.push_back(first);
    offsets.push_back(last == std::string::npos ? first : last + 1);
    const TextBitmap b = raster.draw(d.text, offsets, 1);
    const int left = b.marks[b.marks.size() - 2], right = b.marks.back();
    const int x0 = kScreenWidth / 2 - (left + right) / 2;
    d.top = kFirstRowTop + d.row * kRowHeight;
    d.pixels = outlined(b, kScreenWidth, kRowHeight, x0, (kRowHeight - b.height) / 2);
    for (std::size_t i = 0; i + 2 < b.marks.size(); ++i)
        d.syllableX.push_back(x0 + b.marks[i]);
}

// Where the wipe stands on a display line at `t`: the first screen column not yet sung.
double wipeX(const lyrics::LyricTimeline &timeline, const DisplayLine &d, double t) {
    const std::vector<double> all = timeline.wipeAt(d.timelineLine, t);
    std::vector<double> wipe(all.begin() + static_cast<std::ptrdiff_t>(d.firstSyllable),
                             all.begin() + static_cast<std::ptrdiff_t>(d.firstSyllable + d.syllableCount));
    std::vector<double> widths;
    for (std::size_t i = 0; i + 1 < d.syllableX.size(); ++i)
        widths.push_back(d.syllableX[i + 1] - d.syllableX[i]);
    return d.syllableX.front() + lyrics::wipeWidth(widths, wipe);
}

// The first time the wipe passes screen column x (the line's end when it never does).
double wipeTime(const lyrics::LyricTimeline &timeline, const DisplayLine &d, int x) {
    double lo = d.start, hi = d.end;
    if (wipeX(timeline, d, hi) <= x)
        return hi;
    for (int i = 0; i < 30; ++i) {
        const double mid = (lo + hi) / 2;
        (wipeX(timeline, d, mid) > x ? hi : lo) = mid;
    }
    return hi;
}

TileColours tileOf(const Item &item, int tileRow, int tileColumn, double wipe) {
    TileColours c{};
    for (int y = 0; y < kTileHeight; ++y)
        for (int x = 0; x < kTileWidth; ++x) {
            const int sx = tileColumn * kTileWidth + x;
            std::uint8_t v =
                item.pixels[static_cast<std::size_t>(((tileRow - item.tileTop) * kTileHeight + y) * kScreenWidth + sx)];
            if (v == kTextColour && sx < wipe)
                v = kSungColour;
            c[static_cast<std::size_t>(y * kTileWidth + x)] = v;
        }
    return c;
}

// The packets that turn `now` into `want` on one tile: one XOR block when the
// difference takes at most two values, one block when the tile has at most
// two colours, else a block and XOR blocks for what it left.
std::vector<Packet> tilePackets(int row, int column, const TileColours &now, const TileColours &want) {
    std::vector<Packet> out;
    const auto xorPackets = [&](const TileColours &from) {
        std::array<int, 16> seen{};
        for (std::size_t i = 0; i < want.size(); ++i)
            seen[from[i] ^ want[i]]++;
        std::vector<int> values;
        for (int v = 1; v < 16; ++v)
            if (seen[static_cast<std::size_t>(v)])
                values.push_back(v);
        const bool twoValues = values.size() == 2 && !seen[0];
        for (std::size_t k = 0; k < values.size(); ++k) {
            const int c0 = twoValues ? values[0] : 0, c1 = twoValues ? values[1] : values[k];
            TileBits bits{};
            for (int y = 0; y < kTileHeight; ++y)
                for (int x = 0; x < kTileWidth; ++x)
                    if ((from[static_cast<std::size_t>(y * kTileWidth + x)] ^
                         want[static_cast<std::size_t>(y * kTileWidth + x)]) == c1)
                        bits[static_cast<std::size_t>(y)] |= static_cast<std::uint8_t>(0x20 >> x);
            out.push_back(tileBlock(true, c0, c1, row, column, bits));
            if (twoValues)
                break;
        }
    };
    std::array<int, 16> uses{};
    for (std::uint8_t v : want)
        uses[v]++;
    std::array<int, 16> byUse{};
    for (int i = 0; i < 16; ++i)
        byUse[static_cast<std::size_t>(i)] = i;
    std::stable_sort(byUse.begin(), byUse.end(), [&](int a, int b) { return uses[a] > uses[b]; });
    std::array<int, 16> diffs{};
    for (std::size_t i = 0; i < want.size(); ++i)
        diffs[now[i] ^ want[i]]++;
    const int diffValues = static_cast<int>(std::count_if(diffs.begin() + 1, diffs.end(), [](int n) { return n; }));
    if (diffValues == 0)
        return out;
    if (diffValues == 1 || (diffValues == 2 && !diffs[0])) {
        xorPackets(now);
        return out;
    }
    // A block with the two commonest colours, the others drawn in the second.
    const int c0 = byUse[0], c1 = uses[static_cast<std::size_t>(byUse[1])] ? byUse[1] : byUse[0];
    TileColours drawn{};
    TileBits bits{};
    for (int y = 0; y < kTileHeight; ++y)
        for (int x = 0; x < kTileWidth; ++x) {
            const auto i = static_cast<std::size_t>(y * kTileWidth + x);
            const bool one = want[i] != c0;
            drawn[i] = static_cast<std::uint8_t>(one ? c1 : c0);
            if (one)
                bits[static_cast<std::size_t>(y)] |= static_cast<std::uint8_t>(0x20 >> x);
        }
    out.push_back(tileBlock(false, c0, c1, row, column, bits));
    if (drawn != want)
        xorPackets(drawn);
    return out;
}

// A countdown dot: one tile.
Item dotItem(int column) {
    static const char *const kShape[] = {"......", "......", ".1111.", "122221", "122221", "122221",
                                         "122221", ".1111.", "......", "......", "......", "......"};
    Item item;
    item.tileTop = kDotTileRow;
    item.tileRows = 1;
    item.pixels.assign(static_cast<std::size_t>(kScreenWidth * kTileHeight), kBackground);
    for (int y = 0; y < kTileHeight; ++y)
        for (int x = 0; x < kTileWidth; ++x) {
            const char c = kShape[y][x];
            item.pixels[static_cast<std::size_t>(y * kScreenWidth + column * kTileWidth + x)] = c == '1' ? kOutline
                                                                                                : c == '2'
                                                                                                    ? kTextColour
                                                                                                    : kBackground;
        }
    return item;
}

} // namespace

Palette cdgPalette(const CdgOptions &options) {
    Palette p{};
    for (Rgb4 &c : p)
        c = options.background;
    p[kOutline] = options.text.r + options.text.g + options.text.b < 20 ? Rgb4{15, 15, 15} : Rgb4{0, 0, 0};
    p[kTextColour] = options.text;
    p[kSungColour] = options.sung;
    return p;
}

CdgStream makeCdg(const lyrics::LyricTimeline &timeline, double seconds, const CdgOptions &options,
                  double tempoFactor) {
    CdgStream out;
    if (!(tempoFactor > 0))
        tempoFactor = 1.0;
    TextRaster raster;
    if (!raster.open(options.fontFamily, kFontPixels, out.error))
        return out;
    const std::string wanted = options.fontFamily.empty() ? kDefaultFontFamily : options.fontFamily;
    if (strcasecmp(raster.family().c_str(), wanted.c_str()) != 0)
        out.warnings.push_back("font \"" + wanted + "\" not found; drawn with \"" + raster.family() + "\"");

    // The lines, four rows placed as the sing-along view places its two.
    std::vector<lyrics::TimedLine> placed = wrapLines(timeline, raster, out.lines);
    lyrics::placeInRows(placed, kRowCount, tempoFactor);
    const double lead = lyrics::LyricTimeline::kTitleLeadSeconds / tempoFactor;
    std::vector<Item> items;

    // Long instrumental gaps get their own screen; the lines after one come
    // up when it ends.
    std::vector<std::pair<double, double>> gapScreens;
    std::size_t next = 0;
    for (const lyrics::LyricGap &g : timeline.gaps()) {
        for (; next < out.lines.size() && out.lines[next].timelineLine < g.nextLine; ++next) {}
        const double from = g.from + kGapScreenDelay / tempoFactor, to = g.to - lead;
        if (g.nextLine > 0 && to - from >= 2.0 / tempoFactor) {
            gapScreens.push_back({from, to});
            for (std::size_t i = next; i < placed.size(); ++i)
                placed[i].shownFrom = std::max(placed[i].shownFrom, to);
        }
        for (int k = 1; k <= lyrics::LyricTimeline::kCountdownDots; ++k) {
            Item dot = dotItem(kTileColumns / 2 - lyrics::LyricTimeline::kCountdownDots - 1 + 2 * k);
            dot.from = dot.due = g.to - lyrics::LyricTimeline::kCountdownDots / tempoFactor;
            dot.to = g.to - (k - 1) / tempoFactor;
            items.push_back(std::move(dot));
        }
    }
    const double lastEnd = placed.empty() ? 0 : placed.back().end();
    const double endScreen = lastEnd + kEndScreenDelay / tempoFactor;

    std::vector<std::string> titleTexts;
    for (const std::string &t : {timeline.title().empty() ? options.title : timeline.title(),
                                 timeline.title().empty() ? options.artist : timeline.artist()})
        if (!t.empty())
            titleTexts.push_back(t);
    Item title = textScreen(raster, titleTexts);
    title.to = placed.empty() ? kNever : std::max(0.0, placed.front().shownFrom);
    if (title.to > 0)
        items.push_back(title);
    if (!placed.empty() && endScreen < seconds) {
        title.from = title.due = endScreen;
        title.to = kNever;
        items.push_back(title);
    }
    for (const auto &[from, to] : gapScreens) {
        Item gap = textScreen(raster, {"\u266a \u266a \u266a"});
        gap.from = gap.due = from;
        gap.to = to;
        items.push_back(std::move(gap));
    }

    for (std::size_t i = 0; i < placed.size(); ++i) {
        DisplayLine &d = out.lines[i];
        d.row = placed[i].row;
        d.from = placed[i].shownFrom;
        d.start = placed[i].start();
        d.end = placed[i].end();
        drawLine(d, placed[i], raster);
        // It stays, sung, until its row is taken, the page turns, or a gap's or the end's screen comes.
        d.to = endScreen;
        for (std::size_t j = i + 1; j < placed.size(); ++j)
            if (placed[j].row == d.row || (placed[j].row == 0 && placed[j].paragraph != placed[i].paragraph)) {
                d.to = std::max(d.end, placed[j].shownFrom);
                break;
            }
        for (const auto &screen : gapScreens)
            if (screen.first >= d.end)
                d.to = std::min(d.to, screen.first);
        Item item;
        item.from = d.from;
        item.to = d.to;
        item.due = d.start;
        item.tileTop = d.top / kTileHeight;
        item.tileRows = kRowHeight / kTileHeight;
        item.pixels = d.pixels;
        item.line = static_cast<int>(i);
        items.push_back(std::move(item));
    }
    for (const char32_t c : raster.missing())
        out.warnings.push_back("no font has " + describeCharacter(c) + "; it is drawn as a box");

    // Every tile's pictures in time order.
    std::vector<std::vector<std::pair<double, Change>>> changes(kTilesPerPicture);
    for (const Item &item : items) {
        for (int tr = item.tileTop; tr < item.tileTop + item.tileRows; ++tr)
            for (int tc = 0; tc < kTileColumns; ++tc) {
                const TileColours unsung = tileOf(item, tr, tc, -1);
                if (std::all_of(unsung.begin(), unsung.end(), [](std::uint8_t v) { return v == kBackground; }))
                    continue;
                auto &tile = changes[static_cast<std::size_t>(tr * kTileColumns + tc)];
                tile.push_back({item.from, {item.from, item.due, unsung, item.line >= 0}});
                if (item.line >= 0) {
                    // Wipe steps: the fill columns, grouped a few hundredths of a second apart.
                    const DisplayLine &d = out.lines[static_cast<std::size_t>(item.line)];
                    double stepAt = -1;
                    for (int x = tc * kTileWidth; x < (tc + 1) * kTileWidth; ++x) {
                        bool fill = false;
                        for (std::size_t k = static_cast<std::size_t>((tr - item.tileTop) * kTileHeight);
                             k < static_cast<std::size_t>((tr - item.tileTop + 1) * kTileHeight) && !fill; ++k)
                            fill = item.pixels[k * kScreenWidth + static_cast<std::size_t>(x)] == kTextColour;
                        if (!fill)
                            continue;
                        const double at = wipeTime(timeline, d, x);
                        if (at >= item.to)
                            break;
                        const TileColours sung = tileOf(item, tr, tc, x + 1);
                        if (stepAt >= 0 && at - stepAt < kWipeLead) {
                            tile.back().second.colours = sung;
                            continue;
                        }
                        stepAt = at;
                        tile.push_back({at, {std::max(item.from, at - kWipeLead), at, sung, true}});
                    }
                }
                if (item.to < kNever)
                    tile.push_back({item.to, {item.to, item.to + kClearSlack, TileColours{}, false, true}});
            }
    }

    // Earliest due first, each tile's pictures in their order.
    const std::size_t count = packetCount(seconds);
    std::vector<std::size_t> head(kTilesPerPicture, 0);
    using Ready = std::pair<double, int>; // due, tile
    std::priority_queue<Ready, std::vector<Ready>, std::greater<>> ready;
    std::priority_queue<Ready, std::vector<Ready>, std::greater<>> waiting; // release, tile
    for (int t = 0; t < kTilesPerPicture; ++t) {
        auto &tile = changes[static_cast<std::size_t>(t)];
        // What leaves goes before what comes at the same moment.
        std::stable_sort(tile.begin(), tile.end(), [](const auto &a, const auto &b) {
            return a.first < b.first || (a.first == b.first && a.second.erase && !b.second.erase);
        });
        // An erase followed soon by the next picture is left to that picture.
        std::vector<std::pair<double, Change>> kept;
        for (std::size_t i = 0; i < tile.size(); ++i) {
            if (tile[i].second.erase && i + 1 < tile.size() && tile[i + 1].first <= tile[i].second.due)
                continue;
            kept.push_back(tile[i]);
        }
        tile = std::move(kept);
        if (!tile.empty())
            waiting.push({tile.front().second.release, t});
    }
    std::vector<TileColours> screen(kTilesPerPicture);
    std::vector<Packet> pending;
    std::size_t sent = 0;
    const Palette palette = cdgPalette(options);
    out.bytes.reserve(count * kPacketBytes);
    for (const Packet &p : {loadColours(palette, false), loadColours(palette, true), memoryPreset(kBackground),
                            borderPreset(kBackground)})
        if (out.bytes.size() < count * kPacketBytes)
            append(out.bytes, p);
    for (std::size_t slot = out.bytes.size() / kPacketBytes; slot < count; ++slot) {
        const double now = static_cast<double>(slot) / kPacketsPerSecond;
        while (!waiting.empty() && waiting.top().first <= now + 1e-9) {
            const int t = waiting.top().second;
            waiting.pop();
            ready.push({changes[static_cast<std::size_t>(t)][head[static_cast<std::size_t>(t)]].second.due, t});
        }
        while (pending.size() == sent && !ready.empty()) {
            const int t = ready.top().second;
            ready.pop();
            auto &tile = changes[static_cast<std::size_t>(t)];
            const Change &c = tile[head[static_cast<std::size_t>(t)]].second;
            pending = tilePackets(t / kTileColumns, t % kTileColumns, screen[static_cast<std::size_t>(t)], c.colours);
            sent = 0;
            screen[static_cast<std::size_t>(t)] = c.colours;
            const double done = static_cast<double>(slot + pending.size()) / kPacketsPerSecond;
            if (c.lyric && !pending.empty() && c.due >= kStartSeconds)
                out.latest = std::max(out.latest, done - c.due);
            if (++head[static_cast<std::size_t>(t)] < tile.size())
                waiting.push({tile[head[static_cast<std::size_t>(t)]].second.release, t});
        }
        append(out.bytes, sent < pending.size() ? pending[sent++] : Packet{});
    }
    return out;
}

} // namespace cantora::cdg
