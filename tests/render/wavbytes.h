#pragma once
// Builds WAV files in memory for the encoding tests, chunk by chunk, so each
// test can say exactly which oddity it feeds the reader; and catches the
// numbered errors the encoding classes raise.

#include "core/byteio.h"
#include "core/tempfolder.h"
#include "render/numberederror.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

namespace wavbytes {

using cantora::core::le32;
using coretest::contents;
using coretest::save;
using TempDir = coretest::TempFolder;

using coretest::chunk;
using coretest::leBytes;

inline std::string fmt(std::uint16_t channels, std::uint16_t bits, std::uint32_t rate = 44100, std::uint16_t tag = 1) {
    return leBytes(tag, 2) + leBytes(channels, 2) + leBytes(rate) + leBytes(rate * channels * bits / 8) +
           leBytes(channels * bits / 8u, 2) + leBytes(bits, 2);
}

// Frame i holds left = i & 0x7FFF, right = -(i & 0x7FFF): every frame can be
// told apart from its neighbours and its channels from each other.
inline std::string ramp(std::size_t frames) {
    std::string b;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(i & 0x7FFF);
        b += leBytes(static_cast<std::uint16_t>(v), 2) + leBytes(static_cast<std::uint16_t>(-v), 2);
    }
    return b;
}

inline std::string sine(double hz, std::uint32_t rate, std::size_t frames, int channels = 2) {
    std::string b;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(std::lround(12000.0 * std::sin(2 * M_PI * hz * double(i) / rate)));
        for (int c = 0; c < channels; ++c)
            b += leBytes(static_cast<std::uint16_t>(v), 2);
    }
    return b;
}

// A WAVE file of the given chunks.
inline std::string riff(const std::string &chunks) {
    return "RIFF" + leBytes(static_cast<std::uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

// The plain file a renderer writes: "fmt " then "data".
inline std::string wav(const std::string &samples, std::uint16_t channels = 2, std::uint16_t bits = 16,
                       std::uint32_t rate = 44100) {
    return riff(chunk("fmt ", fmt(channels, bits, rate)) + chunk("data", samples));
}

inline std::string load(const std::filesystem::path &p) { return contents(p); }

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

} // namespace wavbytes
