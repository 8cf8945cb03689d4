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
