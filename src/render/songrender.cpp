#include "render/songrender.h"

#include "render/wavwriter.h"

#include <cstdio>
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

SongRenderResult renderSongBlocks(const std::string &songPath, PcmSink &sink, const RenderBlockFn &onBlock) {
    StreamGuard stream{BASS_MIDI_StreamCreateFile(0, songPath.c_str(), 0, 0, BASS_STREAM_DECODE, 0)};
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
        if (length > WavWriter::kMaxDataBytes)
            return failure("the song would last " + duration(seconds) + " and need " + std::to_string(length) +
                           " bytes of audio; a WAV file holds at most " + std::to_string(WavWriter::kMaxDataBytes));
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

SongRenderResult renderSongToWav(const std::string &songPath, const std::string &wavPath,
                                 const RenderBlockFn &onBlock) {
    WavFileSink sink(wavPath + ".part");
    SongRenderResult r = renderSongBlocks(songPath, sink, onBlock);
    if (r.ok)
        if (std::string why = sink.complete(wavPath); !why.empty())
            r = failure(std::move(why));
    return r;
}

WavFileSink::WavFileSink(std::string partPath) : partPath_(std::move(partPath)) {}

WavFileSink::~WavFileSink() { abandon(); }

std::string WavFileSink::begin(const PcmFormat &f) {
    begun_ = true;
    return writer_.open(partPath_, f.channels, f.rate, f.bits) ? std::string() : "cannot write " + partPath_;
}

std::string WavFileSink::write(const char *data, std::size_t bytes) {
    return writer_.write(data, bytes) ? std::string() : "cannot write " + partPath_ + " (disk full?)";
}

std::string WavFileSink::complete(const std::string &path) {
    if (!writer_.finish()) {
        abandon();
        return "cannot complete " + partPath_;
    }
    if (std::rename(partPath_.c_str(), path.c_str()) != 0) {
        abandon();
        return "cannot write " + path;
    }
    done_ = true;
    return {};
}

void WavFileSink::abandon() {
    if (done_)
        return;
    done_ = true;
    writer_.abandon();
    if (begun_)
        std::remove(partPath_.c_str());
}

} // namespace cantora::render
