#include "render/bladeenc.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace cantora::render {

namespace {

// One open stream: the library state and the output size promised to the caller.
struct Stream {
    lame_global_flags *gfp = nullptr;
    std::uint32_t bufferSize = 0;
};

// Open streams by handle. Handles count up and are never reused while open.
struct StreamTable {
    std::mutex lock;
    std::map<HBE_STREAM, Stream> streams;
    HBE_STREAM next = 1;
};

StreamTable &table() {
    static StreamTable t;
    return t;
}

// More open streams than this is a caller that forgets to close them.
constexpr std::size_t kMaxStreams = 64;

bool find(HBE_STREAM h, Stream &out) {
    auto &t = table();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.streams.find(h);
    if (it == t.streams.end())
        return false;
    out = it->second;
    return true;
}

// The fixed-bit-rate presets differ only in how hard the library searches.
void cbr(lame_global_flags *gfp, int quality) {
    lame_set_VBR(gfp, vbr_off);
    lame_set_quality(gfp, quality);
}

// Applies a preset code over the settings already made from the record;
// false for a code outside the list.
bool applyPreset(lame_global_flags *gfp, const BE_CONFIG &c) {
    switch (c.nPreset) {
    case LQP_NOPRESET: return true;
    case LQP_LOW_QUALITY: cbr(gfp, 7); return true;
    case LQP_FAST_MEDIUM: cbr(gfp, 6); return true;
    case LQP_NORMAL_QUALITY: cbr(gfp, 5); return true;
    case LQP_MEDIUM: cbr(gfp, 4); return true;
    case LQP_HIGH_QUALITY: cbr(gfp, 2); return true;
    case LQP_VERYHIGH_QUALITY: cbr(gfp, 0); return true;
    case LQP_CBR: cbr(gfp, 3); return true;
    case LQP_VOICE_QUALITY:
        // Speech-grade VBR at 32 kHz unless the caller chose the output rate.
        lame_set_VBR(gfp, vbr_default);
        lame_set_VBR_quality(gfp, 4.0f);
        if (c.dwReSampleRate == 0)
            lame_set_out_samplerate(gfp, 32000);
        return true;
    case LQP_R3MIX: lame_set_preset(gfp, R3MIX); return true;
    case LQP_STANDARD: lame_set_preset(gfp, STANDARD); return true;
    case LQP_FAST_STANDARD: lame_set_preset(gfp, STANDARD_FAST); return true;
    case LQP_EXTREME: lame_set_preset(gfp, EXTREME); return true;
    case LQP_FAST_EXTREME: lame_set_preset(gfp, EXTREME_FAST); return true;
    case LQP_INSANE: lame_set_preset(gfp, INSANE); return true;
    case LQP_ABR: {
        const int kbps = c.dwVbrAbr_bps ? static_cast<int>(c.dwVbrAbr_bps / 1000) : static_cast<int>(c.dwBitrate);
        lame_set_VBR(gfp, vbr_abr);
        lame_set_VBR_mean_bitrate_kbps(gfp, kbps);
        return true;
    }
    }
    return false;
}

// Copies the record's settings into the library; false when one is invalid.
bool configure(lame_global_flags *gfp, const BE_CONFIG &c) {
    if (c.nMode < BE_MP3_MODE_STEREO || c.nMode > BE_MP3_MODE_MONO || c.dwSampleRate == 0)
        return false;
    // The caller always delivers interleaved stereo; a mono output is a
    // down-mix done by the library.
    lame_set_num_channels(gfp, 2);
    lame_set_in_samplerate(gfp, static_cast<int>(c.dwSampleRate));
    if (c.dwReSampleRate)
        lame_set_out_samplerate(gfp, static_cast<int>(c.dwReSampleRate));
    lame_set_mode(gfp, static_cast<MPEG_mode>(c.nMode));
    if (c.dwBitrate)
        lame_set_brate(gfp, static_cast<int>(c.dwBitrate));
    lame_set_emphasis(gfp, static_cast<int>(c.dwEmphasis));
    lame_set_extension(gfp, c.bPrivate ? 1 : 0);
    lame_set_error_protection(gfp, c.bCRC ? 1 : 0);
    lame_set_copyright(gfp, c.bCopyright ? 1 : 0);
    lame_set_original(gfp, c.bOriginal ? 1 : 0);
    lame_set_bWriteVbrTag(gfp, c.bWriteVBRHeader ? 1 : 0);
    lame_set_disable_reservoir(gfp, c.bNoRes ? 1 : 0);
    lame_set_strict_ISO(gfp, c.bStrictIso ? 1 : 0);
    // Tags are the tag editor's work; the stream carries audio frames only,
    // so the Info frame is the first frame of the file.
    lame_set_write_id3tag_automatic(gfp, 0);

    if (c.bEnableVBR) {
        if (c.dwVbrAbr_bps) {
            lame_set_VBR(gfp, vbr_abr);
            lame_set_VBR_mean_bitrate_kbps(gfp, static_cast<int>(c.dwVbrAbr_bps / 1000));
        } else {
            lame_set_VBR(gfp, vbr_default);
            lame_set_VBR_quality(gfp, static_cast<float>(std::clamp(c.nVBRQuality, 0, 9)));
        }
        if (c.dwBitrate)
            lame_set_VBR_min_bitrate_kbps(gfp, static_cast<int>(c.dwBitrate));
        if (c.dwMaxBitrate)
            lame_set_VBR_max_bitrate_kbps(gfp, static_cast<int>(c.dwMaxBitrate));
    }

    // The quality word counts only when its high byte is the complement of
    // its low byte, so that a zeroed record keeps the library's default.
    const unsigned q = c.nQuality & 0xFFu, check = (~c.nQuality >> 8) & 0xFFu;
    if (q == check && q <= 9)
        lame_set_quality(gfp, static_cast<int>(q));

    return applyPreset(gfp, c);
}

BE_ERR fromLibrary(int result) {
    // -1: output buffer too small; anything else is a broken stream.
    return result == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
}

} // namespace

BE_ERR beInitStream(const BE_CONFIG *cfg, std::uint32_t *dwSamples, std::uint32_t *dwBufferSize,
                    HBE_STREAM *phbeStream) {
    if (!cfg || !dwSamples || !dwBufferSize || !phbeStream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (cfg->dwConfig != BE_CONFIG_LAME || cfg->dwStructVersion < 1)
        return BE_ERR_INVALID_FORMAT;

    {
        auto &t = table();
        std::lock_guard<std::mutex> g(t.lock);
        if (t.streams.size() >= kMaxStreams)
            return BE_ERR_NO_MORE_HANDLES;
    }
    lame_global_flags *gfp = lame_init();
    if (!gfp)
        return BE_ERR_NO_MORE_HANDLES;
    if (!configure(gfp, *cfg) || lame_init_params(gfp) < 0) {
        lame_close(gfp);
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }

    // One MPEG-1 frame of input per chunk, whatever the output rate (the
    // library takes any count), so the sizes do not depend on the settings;
    // the output bound is the library's worst case, 1.25 x frames + 7200.
    constexpr std::uint32_t frames = 1152;
    constexpr std::uint32_t bytes = frames + (frames + 3) / 4 + 7200;

    auto &t = table();
    std::lock_guard<std::mutex> g(t.lock);
    HBE_STREAM h = t.next++;
    if (h == 0)
        h = t.next++;
    t.streams[h] = Stream{gfp, bytes};
    *dwSamples = frames * 2;
    *dwBufferSize = bytes;
    *phbeStream = h;
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beEncodeChunk(HBE_STREAM hbeStream, std::uint32_t nSamples, const std::int16_t *pSamples, std::uint8_t *pOutput,
                     std::uint32_t *pdwOutput) {
    Stream s;
    if (!find(hbeStream, s))
        return BE_ERR_INVALID_HANDLE;
    if (!pdwOutput || !pOutput || (nSamples && !pSamples))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *pdwOutput = 0;
    const int frames = static_cast<int>(nSamples / 2);
    if (frames == 0)
        return BE_ERR_SUCCESSFUL;
    // The library never writes to the input; its prototype just lacks const.
    const int n = lame_encode_buffer_interleaved(s.gfp, const_cast<short *>(pSamples), frames, pOutput,
                                                 static_cast<int>(s.bufferSize));
    if (n < 0)
        return fromLibrary(n);
    *pdwOutput = static_cast<std::uint32_t>(n);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beDeinitStream(HBE_STREAM hbeStream, std::uint8_t *pOutput, std::uint32_t *pdwOutput) {
    Stream s;
    if (!find(hbeStream, s))
        return BE_ERR_INVALID_HANDLE;
    if (!pdwOutput || !pOutput)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const int n = lame_encode_flush(s.gfp, pOutput, static_cast<int>(s.bufferSize));
    if (n < 0)
        return fromLibrary(n);
    *pdwOutput = static_cast<std::uint32_t>(n);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beInfoTag(HBE_STREAM hbeStream, std::uint8_t *pOutput, std::uint32_t dwBufferSize, std::uint32_t *pdwOutput) {
    Stream s;
    if (!find(hbeStream, s))
        return BE_ERR_INVALID_HANDLE;
    if (!pdwOutput || !pOutput)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *pdwOutput = 0;
    const std::size_t n = lame_get_lametag_frame(s.gfp, pOutput, dwBufferSize);
    if (n > dwBufferSize)
        return BE_ERR_BUFFER_TOO_SMALL;
    *pdwOutput = static_cast<std::uint32_t>(n);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR beCloseStream(HBE_STREAM hbeStream) {
    lame_global_flags *gfp = nullptr;
    {
        auto &t = table();
        std::lock_guard<std::mutex> g(t.lock);
        auto it = t.streams.find(hbeStream);
        if (it == t.streams.end())
            return BE_ERR_INVALID_HANDLE;
        gfp = it->second.gfp;
        t.streams.erase(it);
    }
    lame_close(gfp);
    return BE_ERR_SUCCESSFUL;
}

void beVersion(BE_VERSION *v) {
    if (!v)
        return;
    std::memset(v, 0, sizeof *v);
    lame_version_t lv{};
    get_lame_version_numerical(&lv);
    v->byDLLMajorVersion = 1;
    v->byDLLMinorVersion = 0;
    v->byMajorVersion = static_cast<std::uint8_t>(lv.major);
    v->byMinorVersion = static_cast<std::uint8_t>(lv.minor);
    v->byAlphaLevel = static_cast<std::uint8_t>(lv.alpha);
    v->byBetaLevel = static_cast<std::uint8_t>(lv.beta);
    v->byMMXEnabled = 0;

    // The release date is the build date of this layer: "Mmm dd yyyy".
    static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char *built = __DATE__;
    for (int m = 0; m < 12; ++m)
        if (std::strncmp(built, kMonths[m], 3) == 0)
            v->byMonth = static_cast<std::uint8_t>(m + 1);
    v->byDay = static_cast<std::uint8_t>((built[4] == ' ' ? 0 : built[4] - '0') * 10 + (built[5] - '0'));
    v->wYear = static_cast<std::uint16_t>((built[7] - '0') * 1000 + (built[8] - '0') * 100 + (built[9] - '0') * 10 +
                                          (built[10] - '0'));

    const char *url = get_lame_url();
    if (url)
        std::strncpy(v->zHomepage, url, sizeof v->zHomepage - 1);
}

} // namespace cantora::render
