#include "cdg/textraster.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <strings.h>

namespace cantora::cdg {

namespace {

// Decodes one UTF-8 character at `i` (moved past it); bad bytes read as U+FFFD.
char32_t nextCharacter(std::string_view s, std::size_t &i) {
    const auto b = static_cast<unsigned char>(s[i++]);
    int more = b >= 0xf0 && b < 0xf8 ? 3 : b >= 0xe0 ? 2 : b >= 0xc0 ? 1 : 0;
    if (b >= 0x80 && more == 0)
        return 0xfffd;
    char32_t c = more == 3 ? b & 0x07u : more == 2 ? b & 0x0fu : more == 1 ? b & 0x1fu : b;
    for (; more > 0; --more) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xc0) != 0x80)
            return 0xfffd;
        c = c << 6 | (static_cast<unsigned char>(s[i++]) & 0x3fu);
    }
    return c;
}

void appendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3f));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

struct Face {
    FT_Face ft = nullptr;
    hb_font_t *hb = nullptr;
};

// One glyph placed on the line; face < 0 is the box of a missing character.
struct Placed {
    int face = 0;
    unsigned glyph = 0;
    double x = 0, y = 0;
    double advance = 0;
};

constexpr int kNoFace = -1;

} // namespace

struct TextRaster::Impl {
    FT_Library library = nullptr;
    FcConfig *config = nullptr;
    std::vector<Face> faces; // [0] is the chosen font
    std::map<std::string, int> faceOfFile;
    std::map<char32_t, int> faceOfCharacter;
    std::vector<char32_t> missing;
    std::string family;
    int pixelSize = 0;
    int ascent = 0, descent = 0;

    ~Impl() {
        for (Face &f : faces) {
            hb_font_destroy(f.hb);
            FT_Done_Face(f.ft);
        }
        if (config)
            FcConfigDestroy(config);
        if (library)
            FT_Done_FreeType(library);
    }

    // The face in `file`, loaded once; kNoFace when it cannot be drawn at our size.
    int load(const std::string &file, int index) {
        const std::string key = file + "#" + std::to_string(index);
        if (const auto it = faceOfFile.find(key); it != faceOfFile.end())
            return it->second;
        Face f;
        int id = kNoFace;
        if (FT_New_Face(library, file.c_str(), index, &f.ft) == 0) {
            if (FT_Set_Pixel_Sizes(f.ft, 0, static_cast<FT_UInt>(pixelSize)) == 0) {
                f.hb = hb_ft_font_create_referenced(f.ft);
                faces.push_back(f);
                id = static_cast<int>(faces.size() - 1);
            } else {
                FT_Done_Face(f.ft);
            }
        }
        faceOfFile[key] = id;
        return id;
    }

    // The best match for `pattern` (bold), or kNoFace.
    int match(FcPattern *pattern, std::string *matchedFamily) {
        FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern *found = FcFontMatch(config, pattern, &result);
        int id = kNoFace;
        if (found) {
            FcChar8 *file = nullptr;
            int index = 0;
            FcPatternGetInteger(found, FC_INDEX, 0, &index);
            if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch)
                id = load(reinterpret_cast<const char *>(file), index);
            FcChar8 *name = nullptr;
            if (matchedFamily && FcPatternGetString(found, FC_FAMILY, 0, &name) == FcResultMatch)
                *matchedFamily = reinterpret_cast<const char *>(name);
            FcPatternDestroy(found);
        }
        return id;
    }

    int faceFor(char32_t c) {
        if (c < 0x20 || FT_Get_Char_Index(faces[0].ft, c) != 0)
            return 0;
        if (const auto it = faceOfCharacter.find(c); it != faceOfCharacter.end())
            return it->second;
        FcPattern *pattern = FcPatternCreate();
        FcCharSet *set = FcCharSetCreate();
        FcCharSetAddChar(set, c);
        FcPatternAddCharSet(pattern, FC_CHARSET, set);
        int id = match(pattern, nullptr);
        FcCharSetDestroy(set);
        FcPatternDestroy(pattern);
        if (id != kNoFace && FT_Get_Char_Index(faces[static_cast<std::size_t>(id)].ft, c) == 0)
            id = kNoFace;
        if (id == kNoFace)
            missing.push_back(c);
        faceOfCharacter[c] = id;
        return id;
    }

    // The text's glyphs, and the pen position at each character's first byte.
    std::vector<Placed> layout(std::string_view text, std::vector<double> &penAtByte) {
        penAtByte.assign(text.size() + 1, -1);
        std::vector<Placed> out;
        double pen = 0;
        std::size_t i = 0;
        while (i < text.size()) {
            // A run of characters drawn with one face.
            const std::size_t runStart = i;
            std::size_t at = i;
            const int face = faceFor(nextCharacter(text, at));
            std::size_t runEnd = at;
            while (runEnd < text.size()) {
                std::size_t next = runEnd;
                if (faceFor(nextCharacter(text, next)) != face)
                    break;
                runEnd = next;
            }
            i = runEnd;
            if (face == kNoFace) {
                for (std::size_t b = runStart; b < runEnd;) {
                    penAtByte[b] = pen;
                    nextCharacter(text, b);
                    const double w = std::round(pixelSize * 0.6);
                    out.push_back({kNoFace, 0, pen, 0, w});
                    pen += w;
                }
                continue;
            }
            hb_buffer_t *buffer = hb_buffer_create();
            hb_buffer_add_utf8(buffer, text.data(), static_cast<int>(text.size()), static_cast<unsigned>(runStart),
                               static_cast<int>(runEnd - runStart));
            hb_buffer_guess_segment_properties(buffer);
            hb_shape(faces[static_cast<std::size_t>(face)].hb, buffer, nullptr, 0);
            unsigned count = 0;
            const hb_glyph_info_t *info = hb_buffer_get_glyph_infos(buffer, &count);
            const hb_glyph_position_t *pos = hb_buffer_get_glyph_positions(buffer, &count);
            for (unsigned g = 0; g < count; ++g) {
                const std::size_t cluster = std::min<std::size_t>(info[g].cluster, text.size());
                if (penAtByte[cluster] < 0)
                    penAtByte[cluster] = pen;
                out.push_back({face, info[g].codepoint, pen + pos[g].x_offset / 64.0, pos[g].y_offset / 64.0,
                               pos[g].x_advance / 64.0});
                pen += pos[g].x_advance / 64.0;
            }
            hb_buffer_destroy(buffer);
        }
        penAtByte[text.size()] = pen;
        // Bytes inside a character (or a cluster) take the next known position.
        for (std::size_t b = text.size(); b-- > 0;)
            if (penAtByte[b] < 0)
                penAtByte[b] = penAtByte[b + 1];
        return out;
    }
};

TextRaster::TextRaster() : impl_(std::make_unique<Impl>()) {}
TextRaster::~TextRaster() = default;

bool TextRaster::open(const std::string &family, int pixelSize, std::string &error) {
    Impl &m = *impl_;
    if (!m.library && FT_Init_FreeType(&m.library) != 0) {
        error = "cannot start the font library";
        return false;
    }
    if (!m.config)
        m.config = FcInitLoadConfigAndFonts();
    if (!m.config) {
        error = "cannot read the font configuration";
        return false;
    }
    m.pixelSize = pixelSize;
    const std::string wanted = family.empty() ? kDefaultFontFamily : family;
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(wanted.c_str()));
    const int id = m.match(pattern, &m.family);
    FcPatternDestroy(pattern);
    if (id != 0) {
        error = "no font can be loaded for \"" + wanted + "\"";
        return false;
    }
    const FT_Size_Metrics &metrics = m.faces[0].ft->size->metrics;
    m.ascent = static_cast<int>(std::ceil(metrics.ascender / 64.0));
    m.descent = static_cast<int>(std::ceil(-metrics.descender / 64.0));
    return true;
}

const std::string &TextRaster::family() const { return impl_->family; }
int TextRaster::lineHeight() const { return impl_->ascent + impl_->descent; }
int TextRaster::ascent() const { return impl_->ascent; }
const std::vector<char32_t> &TextRaster::missing() const { return impl_->missing; }

int TextRaster::measure(std::string_view utf8) {
    std::vector<double> pen;
    impl_->layout(utf8, pen);
    return static_cast<int>(std::ceil(pen.back()));
}

TextBitmap TextRaster::draw(std::string_view utf8, const std::vector<std::size_t> &offsets, int pad) {
    Impl &m = *impl_;
    std::vector<double> pen;
    const std::vector<Placed> glyphs = m.layout(utf8, pen);
    TextBitmap out;
    out.pad = pad;
    out.width = static_cast<int>(std::ceil(pen.back())) + 2 * pad;
    out.height = lineHeight() + 2 * pad;
    out.ink.assign(static_cast<std::size_t>(out.width * out.height), 0);
    for (std::size_t o : offsets)
        out.marks.push_back(pad + static_cast<int>(std::lround(pen[std::min(o, utf8.size())])));
    const int baseline = pad + m.ascent;
    const auto set = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < out.width && y < out.height)
            out.ink[static_cast<std::size_t>(y * out.width + x)] = 1;
    };
    for (const Placed &g : glyphs) {
        const int left = pad + static_cast<int>(std::lround(g.x));
        if (g.face == kNoFace) {
            // A box a little narrower than its advance, from the baseline to the cap height.
            const int w = static_cast<int>(g.advance) - 2, top = baseline - m.ascent * 3 / 4;
            for (int x = left + 1; x < left + 1 + w; ++x)
                for (int y = top; y < baseline; ++y)
                    if (x == left + 1 || x == left + w || y == top || y == baseline - 1)
                        set(x, y);
            continue;
        }
        const FT_Face face = m.faces[static_cast<std::size_t>(g.face)].ft;
        if (FT_Load_Glyph(face, g.glyph, FT_LOAD_DEFAULT) != 0 ||
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
            continue;
        const FT_Bitmap &b = face->glyph->bitmap;
        if (b.pixel_mode != FT_PIXEL_MODE_GRAY)
            continue;
        const int x0 = left + face->glyph->bitmap_left;
        const int y0 = baseline - static_cast<int>(std::lround(g.y)) - face->glyph->bitmap_top;
        for (unsigned r = 0; r < b.rows; ++r)
            for (unsigned c = 0; c < b.width; ++c)
                if (b.buffer[static_cast<std::ptrdiff_t>(r) * b.pitch + c] >= 100)
                    set(x0 + static_cast<int>(c), y0 + static_cast<int>(r));
    }
    return out;
}

std::string describeCharacter(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string out = code;
    if (c >= 0x20 && c != 0x7f) {
        out += " '";
        appendUtf8(out, c);
        out += "'";
    }
    return out;
}

} // namespace cantora::cdg
