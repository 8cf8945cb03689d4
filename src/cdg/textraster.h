#pragma once
// Text drawn into two-colour bitmaps without a window system: Fontconfig
// finds the font (and, for a character the chosen font lacks, one that has
// it), HarfBuzz shapes each run, FreeType draws the glyphs. A character no
// installed font has is drawn as a box and listed in missing().
//
// Threading: one object per thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::cdg {

// The family used when none is asked for (always drawn bold).
inline constexpr const char *kDefaultFontFamily = "DejaVu Sans";

struct TextBitmap {
    int width = 0, height = 0; // pixels, `pad` blank ones on each side included
    int pad = 0;
    std::vector<std::uint8_t> ink; // width x height, 1 where a glyph covers the pixel
    std::vector<int> marks;        // x of each byte offset asked for (its character's left edge)
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && ink[static_cast<std::size_t>(y * width + x)];
    }
};

class TextRaster {
public:
    TextRaster();
    ~TextRaster();
    TextRaster(const TextRaster &) = delete;
    TextRaster &operator=(const TextRaster &) = delete;

    // Opens the bold face of `family` (kDefaultFontFamily when empty) at
    // `pixelSize` pixels to the em. False with `error` set when no font at
    // all can be loaded; a family that is not installed gets its nearest
    // match, named by family().
    bool open(const std::string &family, int pixelSize, std::string &error);
    // The family actually drawn with.
    const std::string &family() const;
    // Height of a line (ascent plus descent) and the baseline's distance from its top.
    int lineHeight() const;
    int ascent() const;

    // Width in pixels of `utf8` as draw() lays it out.
    int measure(std::string_view utf8);
    // Draws `utf8` with `pad` blank pixels around it; marks get the x of each
    // of `offsets` (byte offsets into the text, ascending; the text's length
    // gives its right edge).
    TextBitmap draw(std::string_view utf8, const std::vector<std::size_t> &offsets = {}, int pad = 0);

    // Characters no font had, each once, in the order met.
    const std::vector<char32_t> &missing() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// "U+00E9 'é'": a character named for a message.
std::string describeCharacter(char32_t c);

} // namespace cantora::cdg
