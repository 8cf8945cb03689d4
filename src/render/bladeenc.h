#pragma once
// The BladeEnc-style encoder interface (LAME's "LHV1" configuration form),
// implemented here as a thin layer over libmp3lame. cLameEncoder is written
// against these calls only.
//
// Input is always interleaved 16-bit stereo in host byte order; the output
// mode (mono included) is the library's business. Streams are independent;
// one stream must not be used from two threads at once.

#include <cstdint>

namespace cantora::render {

using BE_ERR = std::uint32_t;     // result code of every call
using HBE_STREAM = std::uint32_t; // stream handle, 0 = none

// Result codes.
constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;
constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;
constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;
constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;

// Configuration kind of the LAME form.
constexpr std::uint32_t BE_CONFIG_LAME = 256;
// Output modes (values of nMode).
constexpr std::int32_t BE_MP3_MODE_STEREO = 0;
constexpr std::int32_t BE_MP3_MODE_JSTEREO = 1;
constexpr std::int32_t BE_MP3_MODE_DUALCHANNEL = 2;
constexpr std::int32_t BE_MP3_MODE_MONO = 3;
// MPEG versions (values of dwMpegVersion).
constexpr std::uint32_t MPEG2 = 0;
constexpr std::uint32_t MPEG1 = 1;

// Preset codes (values of nPreset), as listed to the user.
enum LameQualityPreset : std::int32_t {
    LQP_NOPRESET = -1,
    LQP_NORMAL_QUALITY = 0,
    LQP_LOW_QUALITY = 1,
    LQP_HIGH_QUALITY = 2,
    LQP_VOICE_QUALITY = 3,
    LQP_R3MIX = 4,
    LQP_VERYHIGH_QUALITY = 5,
    LQP_STANDARD = 6,
    LQP_FAST_STANDARD = 7,
    LQP_EXTREME = 8,
    LQP_FAST_EXTREME = 9,
    LQP_INSANE = 10,
    LQP_ABR = 11,
    LQP_CBR = 12,
    LQP_MEDIUM = 13,
    LQP_FAST_MEDIUM = 14,
};

#pragma pack(push, 1)
// The configuration record passed to beInitStream: 331 bytes, no padding.
// Byte offsets in the comments.
struct BE_CONFIG {
    std::uint32_t dwConfig;        //   0 configuration kind, BE_CONFIG_LAME
    std::uint32_t dwStructVersion; //   4 1
    std::uint32_t dwStructSize;    //   8 sizeof(BE_CONFIG)
    std::uint32_t dwSampleRate;    //  12 input sample rate, Hz
    std::uint32_t dwReSampleRate;  //  16 output sample rate, 0 = chosen by the library
    std::int32_t nMode;            //  20 BE_MP3_MODE_*
    std::uint32_t dwBitrate;       //  24 CBR bit rate / VBR minimum, kbit/s
    std::uint32_t dwMaxBitrate;    //  28 VBR maximum, kbit/s, 0 = library default
    std::int32_t nPreset;          //  32 LameQualityPreset
    std::uint32_t dwMpegVersion;   //  36 MPEG1 or MPEG2
    std::uint32_t dwPsyModel;      //  40 unused
    std::uint32_t dwEmphasis;      //  44 0 none, 1 50/15 ms, 3 CCITT
    std::uint32_t bPrivate;        //  48 private bit
    std::uint32_t bCRC;            //  52 error protection
    std::uint32_t bCopyright;      //  56 copyright bit
    std::uint32_t bOriginal;       //  60 original bit
    std::uint32_t bWriteVBRHeader; //  64 reserve and fill the Xing/Info frame
    std::uint32_t bEnableVBR;      //  68 VBR with nVBRQuality
    std::int32_t nVBRQuality;      //  72 0 (best) .. 9
    std::uint32_t dwVbrAbr_bps;    //  76 ABR mean bit rate, bit/s, 0 = not ABR
    std::uint32_t nVbrMethod;      //  80 unused
    std::uint32_t bNoRes;          //  84 disable the bit reservoir
    std::uint32_t bStrictIso;      //  88 strict ISO compliance
    std::uint16_t nQuality;        //  92 low byte = quality 0..9, valid when high byte = ~low byte
    std::uint8_t btReserved[237];  //  94 zero
};

// The version record filled by beVersion.
struct BE_VERSION {
    std::uint8_t byDLLMajorVersion; // this interface layer
    std::uint8_t byDLLMinorVersion;
    std::uint8_t byMajorVersion; // the encoder library
    std::uint8_t byMinorVersion;
    std::uint8_t byDay; // release date of this layer's build
    std::uint8_t byMonth;
    std::uint16_t wYear;
    char zHomepage[129 + 1]; // zero-terminated
    std::uint8_t byAlphaLevel;
    std::uint8_t byBetaLevel;
    std::uint8_t byMMXEnabled;
    std::uint8_t btReserved[125];
};
#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == 331, "the configuration record is 331 packed bytes");

// Opens a stream for cfg. Out: input samples (16-bit, both channels) to pass
// per beEncodeChunk, the output buffer size every call needs, the handle.
BE_ERR beInitStream(const BE_CONFIG *cfg, std::uint32_t *dwSamples, std::uint32_t *dwBufferSize,
                    HBE_STREAM *phbeStream);
// Encodes nSamples 16-bit samples (frames x 2); MP3 bytes go to pOutput
// (at least dwBufferSize bytes), their count to pdwOutput.
BE_ERR beEncodeChunk(HBE_STREAM hbeStream, std::uint32_t nSamples, const std::int16_t *pSamples, std::uint8_t *pOutput,
                     std::uint32_t *pdwOutput);
// Flushes the last frames into pOutput (at least dwBufferSize bytes).
BE_ERR beDeinitStream(HBE_STREAM hbeStream, std::uint8_t *pOutput, std::uint32_t *pdwOutput);
// Copies the finished Xing/Info frame (after beDeinitStream) into pOutput;
// it replaces the first frame of the stream's output. 0 bytes when the
// stream writes no such frame.
BE_ERR beInfoTag(HBE_STREAM hbeStream, std::uint8_t *pOutput, std::uint32_t dwBufferSize, std::uint32_t *pdwOutput);
// Releases the stream.
BE_ERR beCloseStream(HBE_STREAM hbeStream);
// Fills the version record.
void beVersion(BE_VERSION *pbeVersion);

} // namespace cantora::render
