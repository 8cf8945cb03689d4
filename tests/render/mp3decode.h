#pragma once
// An MP3 file decoded whole by libmpg123 (gapless: the Info frame trims the
// encoder's delay and padding), for the encoding tests.

#include <mpg123.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples; // interleaved
    off_t length = -1;                 // frames, as the file's header tells the decoder
    mpg123_frameinfo info{};
    std::size_t frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

inline Decoded decode(const std::string &path) {
    Decoded d;
    mpg123_init();
    int err = 0;
    mpg123_handle *mh = mpg123_new(nullptr, &err);
    EXPECT_NE(mh, nullptr);
    if (!mh)
        return d;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    if (mpg123_open(mh, path.c_str()) == MPG123_OK) {
        int enc = 0;
        mpg123_getformat(mh, &d.rate, &d.channels, &enc);
        EXPECT_EQ(enc, MPG123_ENC_SIGNED_16);
        d.length = mpg123_length(mh);
        mpg123_info(mh, &d.info);
        std::vector<unsigned char> buf(65536);
        size_t got = 0;
        int r;
        while ((r = mpg123_read(mh, buf.data(), buf.size(), &got)) == MPG123_OK || r == MPG123_NEW_FORMAT || got) {
            const auto *p = reinterpret_cast<const std::int16_t *>(buf.data());
            d.samples.insert(d.samples.end(), p, p + got / 2);
            if (r == MPG123_DONE)
                break;
        }
        mpg123_close(mh);
    }
    mpg123_delete(mh);
    return d;
}

} // namespace
