#include "core/textcodec.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cwctype>
#include <iconv.h>
#include <locale.h>

namespace cantora::core {

namespace {

// CP1252 bytes 0x80..0x9F. The five bytes Windows leaves undefined (81, 8D,
// 8F, 90, 9D) map to the C1 control with the same number, as the system
// conversion does, so every byte survives a round trip.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
};

void appendUtf8(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at `i`. Returns its length and the code point,
// or 0 when the bytes there are not well-formed (overlong forms, surrogates
// and values past U+10FFFF included).
std::size_t decodeOne(std::string_view s, std::size_t i, char32_t &cp) {
    const auto b0 = static_cast<std::uint8_t>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - i < len)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<std::uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

// The CP1252 byte for a code point, or -1 when there is none.
int toCp1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (std::size_t k = 0; k < kHigh.size(); ++k)
        if (kHigh[k] == cp)
            return static_cast<int>(0x80 + k);
    return -1;
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp;
        const std::size_t n = decodeOne(bytes, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80)
            out += c;
        else if (b < 0xA0)
            appendUtf8(out, kHigh[b - 0x80]);
        else
            appendUtf8(out, b);
    }
    return out;
}

std::string toUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes))
        return std::string(bytes);
    return cp1252ToUtf8(bytes);
}

std::string utf8ToCp1252(std::string_view utf8, std::string *unrepresentable) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp;
        std::size_t n = decodeOne(utf8, i, cp);
        std::string_view original;
        if (n == 0) {
            // A byte that is not UTF-8 cannot be placed; report it as U+FFFD.
            n = 1;
            cp = 0xFFFD;
            original = "\xEF\xBF\xBD";
        } else {
            original = utf8.substr(i, n);
        }
        const int b = toCp1252Byte(cp);
        if (b >= 0) {
            out += static_cast<char>(b);
        } else {
            out += '?';
            if (unrepresentable) {
                // Each character is listed once, in order of first appearance.
                bool seen = false;
                for (std::size_t j = 0; j < unrepresentable->size();) {
                    char32_t other;
                    std::size_t m = decodeOne(*unrepresentable, j, other);
                    if (m == 0)
                        m = 1;
                    if (unrepresentable->compare(j, m, original) == 0) {
                        seen = true;
                        break;
                    }
                    j += m;
                }
                if (!seen)
                    unrepresentable->append(original);
            }
        }
        i += n;
    }
    return out;
}

std::string encodeForWriting(std::string_view utf8, bool *usedUtf8) {
    std::string missing;
    std::string cp = utf8ToCp1252(utf8, &missing);
    const bool keepUtf8 = !missing.empty();
    if (usedUtf8)
        *usedUtf8 = keepUtf8;
    return keepUtf8 ? std::string(utf8) : cp;
}

std::string_view cutAtCharacter(std::string_view bytes, std::size_t maxBytes) {
    if (bytes.size() <= maxBytes)
        return bytes;
    // Back off over continuation bytes (10xxxxxx) to the start of the
    // character that would be split.
    std::size_t n = maxBytes;
    while (n > 0 && (static_cast<std::uint8_t>(bytes[n]) & 0xC0) == 0x80)
        --n;
    return bytes.substr(0, n);
}

namespace {

// Converts `bytes` from `encoding` to UTF-8 into `out` as far as they are
// valid. Returns false, with `error` set, when the name is unknown or a byte
// sequence is not valid there.
bool convertPrefix(std::string_view bytes, const std::string &encoding, std::string &out, std::string *error) {
    const iconv_t cd = ::iconv_open("UTF-8", encoding.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (error)
            *error = "unknown encoding '" + encoding + "'";
        return false;
    }
    std::string in(bytes);
    char *inPtr = in.data();
    std::size_t inLeft = in.size();
    char block[4096];
    bool failed = false;
    while (inLeft > 0) {
        char *outPtr = block;
        std::size_t outLeft = sizeof block;
        const std::size_t rc = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(block, sizeof block - outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // EILSEQ: a byte sequence that is no character; EINVAL: the
            // text ends inside one.
            if (error)
                *error = "byte " + std::to_string(in.size() - inLeft) + " is not valid " + encoding;
            failed = true;
            break;
        }
    }
    if (!failed) {
        // Shift-state encodings may owe a final sequence.
        char *outPtr = block;
        std::size_t outLeft = sizeof block;
        ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(block, sizeof block - outLeft);
    }
    ::iconv_close(cd);
    return !failed;
}

} // namespace

std::optional<std::string> convertToUtf8(std::string_view bytes, const std::string &encoding, std::string *error) {
    std::string out;
    if (!convertPrefix(bytes, encoding, out, error))
        return std::nullopt;
    return out;
}

const char *byteOrderMarkEncoding(std::string_view bytes) {
    // UTF-32LE's mark begins with UTF-16LE's: it is looked for first.
    static constexpr std::pair<std::string_view, const char *> kMarks[] = {
        {std::string_view("\xFF\xFE\0\0", 4), "UTF-32LE"},
        {std::string_view("\0\0\xFE\xFF", 4), "UTF-32BE"},
        {"\xEF\xBB\xBF", "UTF-8"},
        {"\xFF\xFE", "UTF-16LE"},
        {"\xFE\xFF", "UTF-16BE"},
    };
    for (const auto &[mark, name] : kMarks)
        if (bytes.starts_with(mark))
            return name;
    return nullptr;
}

std::string textFileToUtf8(std::string_view bytes) {
    const char *encoding = byteOrderMarkEncoding(bytes);
    if (!encoding)
        return toUtf8(bytes);
    const std::string_view name(encoding);
    if (name == "UTF-8")
        return toUtf8(bytes.substr(3));
    bytes.remove_prefix(name.starts_with("UTF-32") ? 4 : 2);
    // Text its mark does not describe (a file cut inside a character, say)
    // reads as far as it goes.
    std::string out;
    convertPrefix(bytes, encoding, out, nullptr);
    return out;
}

namespace {

// The C library's Unicode case mapping, whatever the process's locale.
char32_t upperOf(char32_t cp) {
    static const locale_t utf8Locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!utf8Locale)
        return cp < 0x80 && cp >= 'a' && cp <= 'z' ? cp - 0x20 : cp;
    return static_cast<char32_t>(::towupper_l(static_cast<wint_t>(cp), utf8Locale));
}

} // namespace

std::optional<SongEncoding> SongEncoding::named(const std::string &name, std::string *error) {
    if (!convertToUtf8("", name, error))
        return std::nullopt;
    SongEncoding e;
    e.name_ = name;
    // Each byte alone that makes one whole character is a character stored
    // in one byte; lead bytes of longer sequences make none.
    for (int b = 0; b < 256; ++b) {
        const auto utf8 = convertToUtf8(std::string(1, static_cast<char>(b)), name, nullptr);
        char32_t cp;
        if (utf8 && !utf8->empty() && decodeOne(*utf8, 0, cp) == utf8->size())
            e.singleByte_.push_back(cp);
    }
    std::sort(e.singleByte_.begin(), e.singleByte_.end());
    return e;
}

std::string SongEncoding::toUtf8(std::string_view bytes) const {
    if (auto utf8 = convertToUtf8(bytes, name_, nullptr))
        return *std::move(utf8);
    return core::toUtf8(bytes);
}

std::string SongEncoding::upperCase(std::string_view utf8) const {
    const auto single = [&](char32_t cp) { return std::binary_search(singleByte_.begin(), singleByte_.end(), cp); };
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp;
        std::size_t n = decodeOne(utf8, i, cp);
        if (n == 0) {
            out += utf8[i++];
            continue;
        }
        const char32_t up = upperOf(cp);
        if (up != cp && single(cp) && single(up))
            appendUtf8(out, up);
        else
            out.append(utf8.substr(i, n));
        i += n;
    }
    return out;
}

} // namespace cantora::core
