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

SongRenderResult renderSongToWav(const std::string &songPath, const std::string &wavPath,
                                 const RenderBlockFn &onBlock) {
    StreamGuard stream{BASS_MIDI_StreamCreateFile(0, songPath.c_str(), 0, 0, BASS_STREAM_DECODE, 0)};
    if (!stream.h)
        return failure("cannot read the song " + songPath, BASS_ErrorGetCode());

    BASS_CHANNELINFO info{};
    if (!BASS_ChannelGetInfo(stream.h, &info))
        return failure("cannot read the stream information", BASS_ErrorGetCode());
    const std::uint16_t bits = (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;

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
    }

    const std::string partPath = wavPath + ".part";
    WavWriter writer;
    if (!writer.open(partPath, static_cast<std::uint16_t>(info.chans), info.freq, bits))
        return failure("cannot write " + partPath);

    const auto giveUp = [&](std::string text, int code) {
        writer.abandon();
        std::remove(partPath.c_str());
        return failure(std::move(text), code);
    };

    if (onBlock && !onBlock(stream.h, -1))
        return giveUp("render cancelled", 0);
    std::vector<char> block(kRenderBlockBytes);
    while (BASS_ChannelIsActive(stream.h) != BASS_ACTIVE_STOPPED) {
        if (onBlock && !onBlock(stream.h, static_cast<std::int64_t>(BASS_ChannelGetPosition(stream.h, BASS_POS_BYTE))))
            return giveUp("render cancelled", 0);
        const DWORD got = BASS_ChannelGetData(stream.h, block.data(), kRenderBlockBytes);
        if (got == DWORD(-1)) {
            if (BASS_ErrorGetCode() == BASS_ERROR_ENDED)
                break;
            return giveUp("the song could not be decoded", BASS_ErrorGetCode());
        }
        if (!writer.write(block.data(), got))
            return giveUp("cannot write " + partPath + " (disk full?)", 0);
    }
    const std::uint64_t bytes = writer.dataBytes();
    if (bytes == 0)
        return giveUp("the song yields no audio", 0);
    if (!writer.finish())
        return giveUp("cannot complete " + partPath, 0);
    if (std::rename(partPath.c_str(), wavPath.c_str()) != 0) {
        std::remove(partPath.c_str());
        return failure("cannot write " + wavPath);
    }
    SongRenderResult r;
    r.ok = true;
    r.dataBytes = bytes;
    r.rate = info.freq;
    r.channels = static_cast<std::uint16_t>(info.chans);
    return r;
}

} // namespace cantora::render
