#pragma once
// Mp3Decoder: one MP3 file decoded by libmpg123 to stereo float frames at
// the file's own rate, with its exact length and sample-accurate seeking.
//
// The length comes from the Xing/LAME header where the file has one (its
// frame count and encoder delay and padding), checked by counting the
// frames once at open; a file without one, or one cut short of what its
// header promises, gets the length counted. Not thread-safe: the player guards it.

#include <cstdint>
#include <memory>
#include <string>

struct mpg123_handle_struct;

namespace cantora::playback {

class Mp3Decoder {
public:
    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;

    // Opens the file at `path` (read whole into memory, so the tag editor can
    // rewrite the file while it is open); false with error() when it cannot
    // be played.
    bool openFile(const std::string &path);
    // Same on bytes at hand.
    bool openBytes(std::string bytes);
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    // Why the last open failed, for the user.
    const std::string &error() const { return error_; }

    int rate() const { return rate_; }
    // Frames in the file.
    std::int64_t length() const { return length_; }
    // True when the file's LAME header gave the length (and the file holds it all).
    bool lengthFromHeader() const { return lengthFromHeader_; }
    // Frame the next read starts at.
    std::int64_t tell() const { return position_; }

    // Decodes up to `frames` frames into `out` (stereo interleaved); returns
    // how many it wrote, fewer only at the end of the file or on a broken frame.
    std::size_t read(float *out, std::size_t frames);
    // Moves to `frame` (clamped to 0..length); false when the file cannot seek.
    bool seek(std::int64_t frame);

    // Largest file openFile accepts.
    static constexpr std::int64_t kMaxFileBytes = std::int64_t(1) << 30;

private:
    bool fail(const std::string &why);

    mpg123_handle_struct *handle_ = nullptr;
    struct Source;
    std::unique_ptr<Source> source_;
    std::string error_;
    int rate_ = 0;
    std::int64_t length_ = 0;
    bool lengthFromHeader_ = false;
    std::int64_t position_ = 0;
};

} // namespace cantora::playback
