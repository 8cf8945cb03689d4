#include "render/mp3pipeline.h"

#include "core/safeoutput.h"
#include "render/blockpipeline.h"
#include "render/lameencoder.h"
#include "render/numberederror.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>

namespace cantora::render {

namespace {

void check(BE_ERR result, const char *what) {
    if (result != BE_ERR_SUCCESSFUL)
        throw NumberedError(cLameEncoder::kErrorBase + static_cast<long>(result), ErrorSource("lameConvert"), what);
}

} // namespace

Mp3StreamEncoder::Mp3StreamEncoder(long preset, std::uint32_t rate, std::FILE *mp3, const std::string &name,
                                   long kbps) {
    cLameEncoder settings; // the record a WAV file would be encoded with
    settings.EncodingPreset(preset);
    if (kbps > 0)
        settings.BitRate(kbps);
    settings.SampleRate(static_cast<long>(rate));
    std::uint32_t samples = 0, outputBytes = 0;
    check(beInitStream(&settings.Config(), &samples, &outputBytes, &stream_), "cannot start the encoder");
    chunkBytes_ = samples * 2;
    try {
        writer_.BufferSize(outputBytes);
        writer_.Attach(mp3, name);
    } catch (...) {
        beCloseStream(stream_);
        stream_ = 0;
        throw;
    }
    pending_.reserve(chunkBytes_);
    samples_.resize(samples);
}

Mp3StreamEncoder::~Mp3StreamEncoder() {
    if (!done_)
        abandon();
}

void Mp3StreamEncoder::encodeChunk(const char *data, std::size_t bytes) {
    // Copied out as 16-bit samples, so the library never reads unaligned input.
    const std::size_t count = bytes / 2;
    std::memcpy(samples_.data(), data, count * 2);
    std::uint32_t produced = 0;
    check(
        beEncodeChunk(stream_, static_cast<std::uint32_t>(count), samples_.data(), writer_.BufferPointer(), &produced),
        "the encoder refused the audio");
    writer_.WriteBufferToFile(produced);
    encoded_ += count * 2;
}

void Mp3StreamEncoder::encode(const char *data, std::size_t bytes) {
    if (!stream_)
        throw NumberedError(cLameEncoder::kErrorBase + cLameEncoder::ErrNotInitialised, ErrorSource("lameConvert"),
                            "Lame engine not initialised");
    if (!pending_.empty()) {
        const std::size_t take = std::min<std::size_t>(bytes, chunkBytes_ - pending_.size());
        pending_.insert(pending_.end(), data, data + take);
        data += take;
        bytes -= take;
        if (pending_.size() < chunkBytes_)
            return;
        encodeChunk(pending_.data(), pending_.size());
        pending_.clear();
    }
    while (bytes >= chunkBytes_) {
        encodeChunk(data, chunkBytes_);
        data += chunkBytes_;
        bytes -= chunkBytes_;
    }
    pending_.insert(pending_.end(), data, data + bytes);
}

void Mp3StreamEncoder::finish() {
    const std::size_t whole = pending_.size() / 4 * 4; // whole stereo frames only
    if (whole)
        encodeChunk(pending_.data(), whole);
    pending_.clear();
    std::uint32_t produced = 0;
    check(beDeinitStream(stream_, writer_.BufferPointer(), &produced), "the encoder could not finish");
    writer_.WriteBufferToFile(produced);
    // The first frame was a placeholder; the Info frame takes its place.
    std::uint32_t tag = 0;
    check(beInfoTag(stream_, writer_.BufferPointer(), static_cast<std::uint32_t>(writer_.BufferSize()), &tag),
          "the encoder could not finish");
    if (tag > 0)
        writer_.WriteBufferAt(0, tag);
    writer_.CloseFile();
    beCloseStream(stream_);
    stream_ = 0;
    done_ = true;
}

void Mp3StreamEncoder::abandon() {
    writer_.CloseFile();
    if (stream_) {
        beCloseStream(stream_);
        stream_ = 0;
    }
    done_ = true;
}

namespace {

// The render thread's end: blocks into the queue.
class QueueSink : public PcmSink {
public:
    QueueSink(const PushFn &push, PcmFormat &format, PcmSink *copy) : push_(push), format_(format), copy_(copy) {}
    std::string begin(const PcmFormat &f) override {
        if (f.channels != 2 || f.bits != 16)
            return "the engine delivers " + std::to_string(f.channels) + " channels of " + std::to_string(f.bits) +
                   "-bit audio; the encoder takes 16-bit stereo";
        format_ = f;
        return copy_ ? copy_->begin(f) : std::string();
    }
    std::string write(const char *data, std::size_t bytes) override {
        if (copy_)
            if (std::string why = copy_->write(data, bytes); !why.empty())
                return why;
        // The message is never shown: the encoder's own reason wins.
        return push_(Block(data, data + bytes)) ? std::string() : "the encoder stopped";
    }

private:
    const PushFn &push_;
    PcmFormat &format_; // written before the first push, read by the encoder after its first pop
    PcmSink *copy_;
};

// The encoder thread's end: opens the encoder on the first block.
class EncoderConsumer : public BlockConsumer {
public:
    EncoderConsumer(const Mp3ConversionOptions &o, std::FILE *file, const std::string &name, const PcmFormat &f)
        : options_(o), file_(file), name_(name), format_(f) {}
    std::string consume(const Block &b) override {
        return guarded([&] {
            if (!encoder_)
                encoder_.emplace(options_.preset, format_.rate, file_, name_, options_.bitrate);
            encoder_->encode(b.data(), b.size());
            if (options_.onEncoded)
                options_.onEncoded(encoder_->bytesEncoded(), format_.expectedBytes);
        });
    }
    std::string finish() override {
        return guarded([&] {
            if (!encoder_)
                throw NumberedError(cLameEncoder::kErrorBase + cLameEncoder::ErrNotInitialised,
                                    ErrorSource("lameConvert"), "no audio to encode");
            encoder_->finish();
        });
    }
    void abandon() override {
        if (encoder_)
            encoder_->abandon();
    }

private:
    template <typename F>
    std::string guarded(F f) {
        try {
            f();
            return {};
        } catch (const NumberedError &e) {
            return "error " + std::to_string(e.number) + ": " + e.description;
        }
    }
    const Mp3ConversionOptions &options_;
    std::FILE *file_;
    const std::string &name_;
    const PcmFormat &format_;
    std::optional<Mp3StreamEncoder> encoder_;
};

} // namespace

Mp3ConversionResult renderSongToMp3(const std::string &songPath, const std::string &mp3Path,
                                    const Mp3ConversionOptions &options) {
    core::SafeOutput file;
    if (!file.open(mp3Path, true)) {
        Mp3ConversionResult out;
        out.error = file.error();
        return out;
    }
    Mp3ConversionResult out = renderSongToMp3(songPath, file.stream(), mp3Path, options);
    if (out.ok && !file.commit()) {
        out.ok = false;
        out.error = file.error();
    }
    return out;
}

Mp3ConversionResult renderSongToMp3(const std::string &songPath, std::FILE *mp3, const std::string &mp3Name,
                                    const Mp3ConversionOptions &options) {
    Mp3ConversionResult out;
    PcmFormat format;
    SongRenderResult render;
    EncoderConsumer consumer(options, mp3, mp3Name, format);
    const PipelineOutcome o = runBlockPipeline(
        [&](const PushFn &push) {
            QueueSink sink(push, format, options.copyTo);
            render = renderSongBlocks(songPath, sink, options.onBlock, options.rate);
            if (options.onRendered)
                options.onRendered(render);
            return render.ok ? std::string() : render.error;
        },
        consumer, options.queueBlocks);
    out.ok = o.ok;
    out.error = !o.consumerError.empty() ? o.consumerError : o.producerError;
    out.cancelled = !o.ok && o.consumerError.empty() && render.error == kRenderCancelled;
    out.engineError = o.consumerError.empty() ? render.engineError : 0;
    out.pcmBytes = render.dataBytes;
    out.rate = render.rate;
    out.renderBusySeconds = o.producerBusySeconds;
    out.encodeBusySeconds = o.consumerBusySeconds;
    out.renderCpuSeconds = o.producerCpuSeconds;
    out.encodeCpuSeconds = o.consumerCpuSeconds;
    out.queueHighWater = o.highWater;
    return out;
}

} // namespace cantora::render
