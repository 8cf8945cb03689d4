#include "render/songrender.h"

#include "render/wavwriter.h"

#include "core/safeoutput.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace cantora::render {

namespace {

SongRenderResult failure(std::string text, int code = 0) {
    SongRenderResult r;
    r.error = std::move(text);
    r.engineError = code;
    return r;
}

// "1234:05:06" (hours, minutes, seconds).
std::string duration(double seconds) {
    const auto s = static_cast<unsigned long long>(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
    return text;
}

// Frees the decoding stream however the render ends.
struct StreamGuard {
    HSTREAM h;
    ~StreamGuard() {
        if (h)
            BASS_StreamFree(h);
    }
};

} // namespace

// The samples into a WAV stream; refuses what a WAV file cannot hold.
class WavSink : public PcmSink {
public:
    WavSink(std::FILE *file, std::string name) : file_(file), name_(std::move(name)) {}
    std::string begin(const PcmFormat &f) override {
        if (f.expectedBytes > WavWriter::kMaxDataBytes)
            return "the song would last " + duration(double(f.expectedBytes) / (f.rate * f.channels * f.bits / 8)) +
                   " and need " + std::to_string(f.expectedBytes) + " bytes of audio; a WAV file holds at most " +
                   std::to_string(WavWriter::kMaxDataBytes);
        return writer_.open(file_, f.channels, f.rate, f.bits) ? std::string() : why();
    }
    std::string write(const char *data, std::size_t bytes) override {
        return writer_.write(data, bytes) ? std::string() : why();
    }
    std::string why() const {
        return "cannot write " + name_ + ": " +
               (writer_.error() ? std::strerror(writer_.error()) : "a WAV file cannot hold more");
    }
    WavWriter writer_;

private:
    std::FILE *file_;
    std::string name_;
};

SongRenderResult renderSongBlocks(const std::string &songPath, PcmSink &sink, const RenderBlockFn &onBlock,
                                  std::uint32_t rate) {
    StreamGuard stream{BASS_MIDI_StreamCreateFile(0, songPath.c_str(), 0, 0, BASS_STREAM_DECODE, rate)};
    if (!stream.h)
        return failure("cannot read the song " + songPath, BASS_ErrorGetCode());

    BASS_CHANNELINFO info{};
    if (!BASS_ChannelGetInfo(stream.h, &info))
        return failure("cannot read the stream information", BASS_ErrorGetCode());
    PcmFormat format;
    format.rate = info.freq;
    format.channels = static_cast<std::uint16_t>(info.chans);
    format.bits = (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;

    // The length is known before the first sample: refuse what cannot be
    // written rather than fail after gigabytes.
    const QWORD length = BASS_ChannelGetLength(stream.h, BASS_POS_BYTE);
    if (length != QWORD(-1)) {
        const double seconds = BASS_ChannelBytes2Seconds(stream.h, length);
        if (seconds > kMaxRenderSeconds)
            return failure("the song would last " + duration(seconds) + "; a render is limited to 24 hours");
        format.expectedBytes = length;
    }

    if (std::string why = sink.begin(format); !why.empty())
        return failure(std::move(why));
    if (onBlock && !onBlock(stream.h, -1))
        return failure(kRenderCancelled);
    std::vector<char> block(kRenderBlockBytes);
    std::uint64_t bytes = 0;
    while (BASS_ChannelIsActive(stream.h) != BASS_ACTIVE_STOPPED) {
        if (onBlock && !onBlock(stream.h, static_cast<std::int64_t>(BASS_ChannelGetPosition(stream.h, BASS_POS_BYTE))))
            return failure(kRenderCancelled);
        const DWORD got = BASS_ChannelGetData(stream.h, block.data(), kRenderBlockBytes);
        if (got == DWORD(-1)) {
            if (BASS_ErrorGetCode() == BASS_ERROR_ENDED)
                break;
            return failure("the song could not be decoded", BASS_ErrorGetCode());
        }
        if (got == 0)
            continue;
        if (std::string why = sink.write(block.data(), got); !why.empty())
            return failure(std::move(why));
        bytes += got;
    }
    if (bytes == 0)
        return failure("the song yields no audio");
    SongRenderResult r;
    r.ok = true;
    r.dataBytes = bytes;
    r.rate = format.rate;
    r.channels = format.channels;
    return r;
}

SongRenderResult renderSongToWav(const std::string &songPath, std::FILE *wav, const std::string &wavName,
                                 const RenderBlockFn &onBlock) {
    WavSink sink(wav, wavName);
    SongRenderResult r = renderSongBlocks(songPath, sink, onBlock);
    if (r.ok && !sink.writer_.finish())
        r = failure(sink.why());
    return r;
}

SongRenderResult renderSongToWav(const std::string &songPath, const std::string &wavPath, const RenderBlockFn &onBlock,
                                 std::uint32_t rate) {
    WavFileSink sink(wavPath);
    SongRenderResult r = renderSongBlocks(songPath, sink, onBlock, rate);
    if (r.ok)
        if (std::string why = sink.complete(); !why.empty())
            r = failure(std::move(why));
    return r;
}

WavFileSink::WavFileSink(std::string path) : path_(std::move(path)) {}

WavFileSink::~WavFileSink() { abandon(); }

std::string WavFileSink::begin(const PcmFormat &f) {
    if (!out_.open(path_, true))
        return out_.error();
    sink_ = std::make_unique<WavSink>(out_.stream(), path_);
    return sink_->begin(f);
}

std::string WavFileSink::write(const char *data, std::size_t bytes) { return sink_->write(data, bytes); }

std::string WavFileSink::complete() {
    std::string why;
    if (!sink_)
        why = "cannot write " + path_ + ": nothing was rendered";
    else if (!sink_->writer_.finish())
        why = sink_->why();
    else if (!out_.commit())
        why = out_.error();
    if (!why.empty())
        abandon();
    sink_.reset();
    return why;
}

void WavFileSink::abandon() {
    sink_.reset();
    out_.abandon();
}

} // namespace cantora::render
