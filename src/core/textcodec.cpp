#include "core/textcodec.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>

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

std::optional<std::string> convertToUtf8(std::string_view bytes, const std::string &encoding, std::string *error) {
    const iconv_t cd = ::iconv_open("UTF-8", encoding.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (error)
            *error = "unknown encoding '" + encoding + "'";
        return std::nullopt;
    }
    std::string out;
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
    if (failed)
        return std::nullopt;
    return out;
}

} // namespace cantora::core
