#pragma once
// Builds WAV files in memory for the encoding tests, chunk by chunk, so each
// test can say exactly which oddity it feeds the reader; and catches the
// numbered errors the encoding classes raise.

#include "render/numberederror.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace wavbytes {

inline void put16(std::string &s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
inline void put32(std::string &s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A little-endian number read back at byte `at`.
inline std::uint32_t le32(const std::string &b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

struct Chunk {
    std::string id;
    std::string body;
    std::optional<std::uint32_t> declaredSize = {}; // header size, when it lies
};

inline std::string fmt(std::uint16_t channels, std::uint16_t bits, std::uint32_t rate = 44100, std::uint16_t tag = 1) {
    std::string b;
    put16(b, tag);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * channels * bits / 8);
    put16(b, static_cast<std::uint16_t>(channels * bits / 8));
    put16(b, bits);
    return b;
}

// Frame i holds left = i & 0x7FFF, right = -(i & 0x7FFF): every frame can be
// told apart from its neighbours and its channels from each other.
inline std::string ramp(std::size_t frames) {
    std::string b;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(i & 0x7FFF);
        put16(b, static_cast<std::uint16_t>(v));
        put16(b, static_cast<std::uint16_t>(-v));
    }
    return b;
}

inline std::string sine(double hz, std::uint32_t rate, std::size_t frames, int channels = 2) {
    std::string b;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(std::lround(12000.0 * std::sin(2 * M_PI * hz * double(i) / rate)));
        for (int c = 0; c < channels; ++c)
            put16(b, static_cast<std::uint16_t>(v));
    }
    return b;
}

inline std::string riff(const std::vector<Chunk> &chunks) {
    std::string body = "WAVE";
    for (const auto &c : chunks) {
        body += c.id;
        put32(body, c.declaredSize.value_or(static_cast<std::uint32_t>(c.body.size())));
        body += c.body;
        if (c.body.size() & 1)
            body += '\0';
    }
    std::string out = "RIFF";
    put32(out, static_cast<std::uint32_t>(body.size()));
    return out + body;
}

// The plain file a renderer writes: "fmt " then "data".
inline std::string wav(const std::string &samples, std::uint16_t channels = 2, std::uint16_t bits = 16,
                       std::uint32_t rate = 44100) {
    return riff({{"fmt ", fmt(channels, bits, rate)}, {"data", samples}});
}

inline void save(const std::filesystem::path &p, const std::string &bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

inline std::string load(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// Runs f and returns the numbered error it raised (number 0 if none).
template <class F>
cantora::render::NumberedError raised(F f) {
    try {
        f();
    } catch (const cantora::render::NumberedError &e) {
        return e;
    }
    return cantora::render::NumberedError(0, "", "");
}

// A fresh empty folder per test, removed afterwards.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        static int n = 0;
        path = std::filesystem::temp_directory_path() /
               ("cantora-render-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string &name) const { return (path / name).string(); }
};

} // namespace wavbytes
