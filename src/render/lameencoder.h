#pragma once
// cLameEncoder: turns one stereo 16-bit WAV file into one MP3 file. Reads
// with cWavReader, encodes through the BladeEnc-style calls, writes with
// cMp3Writer, reports progress and lets the listener cancel.
//
// Threading: Encode runs to the end in the caller's thread; Progress is
// called synchronously between chunks and is the only point where the
// caller regains control. Errors are NumberedError: 29770 + code from the
// encoder itself, the reader's and writer's own numbers passing through,
// all raised from "<executable>.lameConvert" once encoding has begun.

#include "render/bladeenc.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace cantora::render {

class cLameEncoderVersion;
class cMp3Writer;
class cWavReader;

class cLameEncoder {
public:
    // Progress(done, total, cancel): counts of 16-bit samples over both
    // channels; set cancel to stop, which deletes the MP3 file.
    using ProgressHandler = std::function<void(std::int64_t done, std::int64_t total, bool &cancel)>;

    static constexpr long kErrorBase = 29770;    // number = base + code
    static constexpr long ErrNotInitialised = 1; // the encoder's own error code

    cLameEncoder();  // configuration record at its defaults
    ~cLameEncoder(); // closes any library stream
    cLameEncoder(const cLameEncoder &) = delete;
    cLameEncoder &operator=(const cLameEncoder &) = delete;

    const cLameEncoderVersion &Version();  // the library's version, created on first use
    const std::string &WavFile() const;    // input path
    void WavFile(const std::string &path); // kept only if the file exists
    const std::string &Mp3File() const;    // output path
    void Mp3File(const std::string &path); // kept only if no such file exists
    // Encodes into `file` instead (the caller owns, commits or removes it);
    // `name` names it in messages.
    void Mp3Stream(std::FILE *file, const std::string &name);
    long EncodingPreset() const; // preset code of the list
    void EncodingPreset(long code);
    long BitRate() const; // kbit/s, for CBR and ABR presets
    void BitRate(long kbps);
    // Input sample rate in Hz. A WAV file whose format says otherwise is
    // encoded at its own rate; the setting is left as it is.
    long SampleRate() const;
    void SampleRate(long hz);
    long OutputMode() const; // BE_MP3_MODE_*
    void OutputMode(long mode);
    void Encode(); // encodes WavFile into Mp3File

    ProgressHandler Progress; // the progress event; may be empty

    const BE_CONFIG &Config() const; // the record handed to the library

private:
    void openStream(const BE_CONFIG &cfg); // beInitStream; errors from "lameInit"
    void closeStream();                    // beCloseStream; errors from "lameClose"
    // Releases reader and writer, deletes an MP3 this run created, closes the
    // stream ignoring errors: the way out of a failed Encode.
    void abandon(std::optional<cWavReader> &reader, std::optional<cMp3Writer> &writer);

    BE_CONFIG config_;
    HBE_STREAM stream_ = 0;
    std::uint32_t chunkSamples_ = 0; // 16-bit samples per beEncodeChunk
    std::uint32_t outputBytes_ = 0;  // output buffer each call needs
    std::string wavFile_, mp3File_;
    std::FILE *mp3Stream_ = nullptr;
    std::unique_ptr<cLameEncoderVersion> version_;
};

} // namespace cantora::render
