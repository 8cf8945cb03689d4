#pragma once
// MP3 files made in the test: a stereo tone encoded with LAME, with or
// without the Xing/LAME header that carries the exact sample count.

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace tonemp3 {

constexpr int kRate = 44100;

// `frames` frames of a 440 Hz tone whose loudness climbs, so that every stretch of the file differs from every other.
inline std::vector<short> tone(int frames) {
    std::vector<short> pcm(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double amp = 2000.0 + 20000.0 * i / frames;
        const double s = amp * std::sin(2 * M_PI * 440.0 * i / kRate);
        pcm[2 * i] = static_cast<short>(s);
        pcm[2 * i + 1] = static_cast<short>(-s / 2);
    }
    return pcm;
}

// The MP3 bytes of `frames` frames of tone, played at `rate`.
inline std::string encode(int frames, bool withHeader, int rate = kRate) {
    lame_global_flags *gf = lame_init();
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_num_channels(gf, 2);
    lame_set_brate(gf, 128);
    lame_set_quality(gf, 7);
    lame_set_bWriteVbrTag(gf, withHeader ? 1 : 0);
    lame_init_params(gf);
    const std::vector<short> pcm = tone(frames);
    std::vector<unsigned char> buf(static_cast<std::size_t>(frames) * 2 + 8192);
    const int n = lame_encode_buffer_interleaved(gf, const_cast<short *>(pcm.data()), frames, buf.data(),
                                                 static_cast<int>(buf.size()));
    std::string out(reinterpret_cast<char *>(buf.data()), static_cast<std::size_t>(n));
    const int m = lame_encode_flush(gf, buf.data(), static_cast<int>(buf.size()));
    out.append(reinterpret_cast<char *>(buf.data()), static_cast<std::size_t>(m));
    if (withHeader) {
        // The header frame was reserved at the start; fill it in now the count is known.
        const std::size_t size = lame_get_lametag_frame(gf, buf.data(), buf.size());
        out.replace(0, size, reinterpret_cast<char *>(buf.data()), size);
    }
    lame_close(gf);
    return out;
}

inline std::string write(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace tonemp3
