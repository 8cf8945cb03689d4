#include "render/lameencoder.h"

#include "core/safeoutput.h"

#include "render/lameencoderversion.h"
#include "render/mp3writer.h"
#include "render/numberederror.h"
#include "render/wavreader.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

namespace cantora::render {

namespace {

const char *libraryText(BE_ERR code) {
    switch (code) {
    case BE_ERR_INVALID_FORMAT: return "Invalid Format";
    case BE_ERR_INVALID_FORMAT_PARAMETERS: return "Invalid Format Parameters";
    case BE_ERR_NO_MORE_HANDLES: return "Out of LAME handles";
    case BE_ERR_INVALID_HANDLE: return "LAME handle is invalid";
    case BE_ERR_BUFFER_TOO_SMALL: return "Buffer is too small";
    }
    return "Unknown LAME error";
}

// Raises a nonzero library result as 29770 + result from place.
void check(BE_ERR result, const char *place) {
    if (result != BE_ERR_SUCCESSFUL)
        throw NumberedError(cLameEncoder::kErrorBase + static_cast<long>(result), ErrorSource(place),
                            libraryText(result));
}

bool exists(const std::string &path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

} // namespace

cLameEncoder::cLameEncoder() {
    std::memset(&config_, 0, sizeof config_);
    config_.dwConfig = BE_CONFIG_LAME;
    config_.dwStructVersion = 1;
    config_.dwStructSize = sizeof(BE_CONFIG);
    config_.dwSampleRate = 44100;
    config_.dwReSampleRate = 0;
    config_.nMode = BE_MP3_MODE_JSTEREO;
    config_.dwBitrate = 128;
    config_.nPreset = LQP_R3MIX;
    config_.dwMpegVersion = MPEG1;
    config_.bOriginal = 1;
    config_.bWriteVBRHeader = 1;
    config_.bNoRes = 1;
}

cLameEncoder::~cLameEncoder() {
    if (stream_)
        beCloseStream(stream_);
}

const cLameEncoderVersion &cLameEncoder::Version() {
    if (!version_)
        version_ = std::make_unique<cLameEncoderVersion>();
    return *version_;
}

const std::string &cLameEncoder::WavFile() const { return wavFile_; }
void cLameEncoder::WavFile(const std::string &path) {
    if (exists(path))
        wavFile_ = path;
}

const std::string &cLameEncoder::Mp3File() const { return mp3File_; }
void cLameEncoder::Mp3File(const std::string &path) {
    if (!exists(path))
        mp3File_ = path;
}

void cLameEncoder::Mp3Stream(std::FILE *file, const std::string &name) {
    mp3Stream_ = file;
    mp3File_ = name;
}

long cLameEncoder::EncodingPreset() const { return config_.nPreset; }
void cLameEncoder::EncodingPreset(long code) { config_.nPreset = static_cast<std::int32_t>(code); }
long cLameEncoder::BitRate() const { return static_cast<long>(config_.dwBitrate); }
void cLameEncoder::BitRate(long kbps) { config_.dwBitrate = static_cast<std::uint32_t>(kbps); }
long cLameEncoder::SampleRate() const { return static_cast<long>(config_.dwSampleRate); }
void cLameEncoder::SampleRate(long hz) { config_.dwSampleRate = static_cast<std::uint32_t>(hz); }
long cLameEncoder::OutputMode() const { return config_.nMode; }
void cLameEncoder::OutputMode(long mode) { config_.nMode = static_cast<std::int32_t>(mode); }
const BE_CONFIG &cLameEncoder::Config() const { return config_; }

void cLameEncoder::openStream(const BE_CONFIG &cfg) {
    if (stream_)
        closeStream();
    const BE_ERR r = beInitStream(&cfg, &chunkSamples_, &outputBytes_, &stream_);
    if (r != BE_ERR_SUCCESSFUL) {
        stream_ = 0;
        chunkSamples_ = 0;
        outputBytes_ = 0;
        check(r, "lameInit");
    }
}

void cLameEncoder::closeStream() {
    const BE_ERR r = beCloseStream(stream_);
    stream_ = 0;
    chunkSamples_ = 0;
    outputBytes_ = 0;
    check(r, "lameClose");
}

void cLameEncoder::abandon(std::optional<cWavReader> &reader, std::optional<cMp3Writer> &writer) {
    writer.reset();
    reader.reset();
    if (stream_) {
        beCloseStream(stream_);
        stream_ = 0;
        chunkSamples_ = 0;
        outputBytes_ = 0;
    }
}

void cLameEncoder::Encode() {
    openStream(config_);
    if (!stream_)
        throw NumberedError(kErrorBase + ErrNotInitialised, ErrorSource("lameConvert"), "Lame engine not initialised");

    std::optional<cWavReader> reader;
    std::optional<cMp3Writer> writer;
    // Without a stream of the caller's the MP3 is written beside its name
    // and appears only when complete (a half-written MP3 must not look like
    // a finished one).
    core::SafeOutput file;
    try {
        reader.emplace();
        reader->ReadBufferSize(chunkSamples_ / 2);
        reader->Filename(wavFile_);

        // The file's own rate is the truth; the stream is reopened for it.
        const std::uint32_t rate = reader->Format().sampleRate;
        if (reader->Filename().size() && rate != config_.dwSampleRate) {
            BE_CONFIG fileConfig = config_;
            fileConfig.dwSampleRate = rate;
            openStream(fileConfig);
        }

        writer.emplace();
        writer->BufferSize(outputBytes_);
        if (!mp3Stream_ && !file.open(mp3File_, false))
            throw NumberedError(cMp3Writer::kErrorBase + cMp3Writer::ErrOpen, ErrorSource("OpenFile"), file.error());
        writer->Attach(mp3Stream_ ? mp3Stream_ : file.stream(), mp3File_);

        const std::int64_t total = reader->AudioLength() * 2;
        std::int64_t done = 0;
        bool cancel = false;
        bool more = true;
        while (more && !cancel) {
            more = reader->Read();
            const std::int64_t frames = reader->ReadSize();
            if (frames > 0) {
                std::uint32_t produced = 0;
                check(beEncodeChunk(stream_, static_cast<std::uint32_t>(frames * 2), reader->ReadBufferPtr(),
                                    writer->BufferPointer(), &produced),
                      "lameConvert");
                writer->WriteBufferToFile(produced);
                done += frames * 2;
                if (Progress)
                    Progress(done, total, cancel);
            }
        }

        if (cancel) {
            writer->CloseFile();
            file.abandon();
        } else {
            std::uint32_t produced = 0;
            check(beDeinitStream(stream_, writer->BufferPointer(), &produced), "lameConvert");
            writer->WriteBufferToFile(produced);
            // The first frame was a placeholder: now that the frame count and
            // the encoder delay are known, the Info frame takes its place.
            std::uint32_t tag = 0;
            check(beInfoTag(stream_, writer->BufferPointer(), static_cast<std::uint32_t>(writer->BufferSize()), &tag),
                  "lameConvert");
            if (tag > 0)
                writer->WriteBufferAt(0, tag);
            if (Progress)
                Progress(total, total, cancel);
            writer->CloseFile();
            if (!mp3Stream_ && !file.commit())
                throw NumberedError(cMp3Writer::kErrorBase + cMp3Writer::ErrWrite, ErrorSource("WriteBufferToFile"),
                                    file.error());
        }

        writer.reset();
        reader.reset();
        closeStream();
    } catch (const NumberedError &e) {
        abandon(reader, writer);
        throw NumberedError(e.number, ErrorSource("lameConvert"), e.description);
    } catch (...) {
        abandon(reader, writer);
        throw;
    }
}

} // namespace cantora::render
