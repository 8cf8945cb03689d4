#include "playback/mp3decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

namespace cantora::playback {

// The bytes mpg123 reads through our own reader, so that a path is read once
// and bytes at hand need no file.
struct Mp3Decoder::Source {
    std::string bytes;
    std::size_t at = 0;

    static mpg123_ssize_t read(void *self, void *buf, size_t count) {
        auto *s = static_cast<Source *>(self);
        const std::size_t n = std::min(count, s->bytes.size() - s->at);
        std::memcpy(buf, s->bytes.data() + s->at, n);
        s->at += n;
        return static_cast<mpg123_ssize_t>(n);
    }

    static off_t seek(void *self, off_t offset, int whence) {
        auto *s = static_cast<Source *>(self);
        std::int64_t base = 0;
        if (whence == SEEK_CUR)
            base = static_cast<std::int64_t>(s->at);
        else if (whence == SEEK_END)
            base = static_cast<std::int64_t>(s->bytes.size());
        const std::int64_t to = base + offset;
        if (to < 0 || to > static_cast<std::int64_t>(s->bytes.size()))
            return -1;
        s->at = static_cast<std::size_t>(to);
        return static_cast<off_t>(to);
    }
};

Mp3Decoder::Mp3Decoder() {
    // Needed by libmpg123 before 1.27, harmless after.
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

Mp3Decoder::~Mp3Decoder() { close(); }

void Mp3Decoder::close() {
    if (handle_ != nullptr) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
    source_.reset();
    rate_ = 0;
    length_ = 0;
    lengthFromHeader_ = false;
    position_ = 0;
}

bool Mp3Decoder::fail(const std::string &why) {
    close();
    error_ = why;
    return false;
}

bool Mp3Decoder::openFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail("cannot open " + path);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxFileBytes)
        return fail(path + " is too large to play");
    in.seekg(0);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), size))
        return fail("cannot read " + path);
    if (!openBytes(std::move(bytes))) {
        error_ = path + ": " + error_;
        return false;
    }
    return true;
}

bool Mp3Decoder::openBytes(std::string bytes) {
    close();
    error_.clear();
    if (bytes.empty())
        return fail("the file is empty");
    source_ = std::make_unique<Source>();
    source_->bytes = std::move(bytes);

    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (handle_ == nullptr)
        return fail("the MP3 decoder cannot start");
    // Stereo float at the file's own rate; gapless so that the encoder's delay
    // and padding are cut and positions match the header's sample count.
    mpg123_param(handle_, MPG123_FLAGS, MPG123_FORCE_STEREO | MPG123_GAPLESS | MPG123_QUIET, 0);
    mpg123_format_none(handle_);
    for (long r : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(handle_, r, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_replace_reader_handle(handle_, &Source::read, &Source::seek, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, source_.get()) != MPG123_OK)
        return fail("the MP3 decoder cannot read the file");

    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0)
        return fail("not an MPEG audio file");
    rate_ = static_cast<int>(rate);

    // A LAME tag gives the exact sample count (frames, delay and padding).
    // Without one the length mpg123 offers is a guess from the file size (a
    // constant bitrate file looks "accurate" all the same): count the frames.
    // A tagged file is counted too, as a cut or partly copied file keeps the
    // tag of the whole song; the count keeps the tag's delay and padding.
    long delay = -1;
    mpg123_getstate(handle_, MPG123_ENC_DELAY, &delay, nullptr);
    const off_t promised = mpg123_length(handle_);
    if (mpg123_scan(handle_) != MPG123_OK)
        return fail("the MPEG frames cannot be read");
    lengthFromHeader_ = delay >= 0 && mpg123_length(handle_) == promised;
    const off_t len = mpg123_length(handle_);
    if (len <= 0)
        return fail("no audio in the file");
    length_ = len;
    position_ = 0;
    return true;
}

std::size_t Mp3Decoder::read(float *out, std::size_t frames) {
    if (handle_ == nullptr)
        return 0;
    // Some damaged files decode to more samples than their frames announce:
    // the length stands, so what is played, the position and the length agree.
    frames =
        static_cast<std::size_t>(std::clamp<std::int64_t>(length_ - position_, 0, static_cast<std::int64_t>(frames)));
    std::size_t got = 0;
    while (got < frames) {
        size_t done = 0;
        const int rc = mpg123_read(handle_, reinterpret_cast<unsigned char *>(out + got * 2),
                                   (frames - got) * 2 * sizeof(float), &done);
        got += done / (2 * sizeof(float));
        if (rc == MPG123_NEW_FORMAT)
            continue; // the format is fixed above; this is only the first notice
        if (rc != MPG123_OK || done == 0)
            break; // end of file, or a frame that cannot be decoded
    }
    position_ += static_cast<std::int64_t>(got);
    return got;
}

bool Mp3Decoder::seek(std::int64_t frame) {
    if (handle_ == nullptr)
        return false;
    frame = std::clamp<std::int64_t>(frame, 0, length_);
    const off_t at = mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET);
    if (at < 0)
        return false;
    position_ = at;
    if (at <= length_)
        return true;
    // Frames of mixed kinds mislead the frame index past the end: decode
    // from the start up to the frame instead, so the position stays true.
    const off_t start = mpg123_seek(handle_, 0, SEEK_SET);
    if (start < 0)
        return false;
    position_ = start;
    std::vector<float> skipped(2 * 1152);
    while (position_ < frame)
        if (read(skipped.data(), static_cast<std::size_t>(std::min<std::int64_t>(1152, frame - position_))) == 0)
            break;
    return true;
}

} // namespace cantora::playback
