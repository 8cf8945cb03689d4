#include "render/conversionjob.h"

#include "core/safeoutput.h"
#include "render/lameencoder.h"
#include "render/mp3pipeline.h"
#include "render/numberederror.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace cantora::render {

namespace fs = std::filesystem;

namespace {

void removeQuietly(const std::string &path) {
    std::error_code ec;
    fs::remove(path, ec);
}

} // namespace

void KillTemp(const std::string &folder) {
    for (const char *name : kWorkFiles)
        removeQuietly((fs::path(folder) / name).string());
}

int percentOf(std::int64_t done, std::int64_t total) {
    if (total <= 0)
        return 0;
    return static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100));
}

ConversionJob::ConversionJob(std::string folder, Run run) : folder_(std::move(folder)), run_(run) {}

ConversionJob::~ConversionJob() {
    if (worker_.joinable()) {
        cancel();
        wait();
    }
}

void ConversionJob::start(std::function<void()> step) {
    wait();
    if (run_ == Run::Inline)
        step();
    else
        worker_ = std::thread(std::move(step));
}

void ConversionJob::wait() {
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
        worker_.join();
}

std::string ConversionJob::wavePath() const { return (fs::path(folder_) / kWaveWorkFile).string(); }
std::string ConversionJob::mp3Path() const { return (fs::path(folder_) / kMp3WorkFile).string(); }
std::string ConversionJob::normPath() const { return (fs::path(folder_) / kNormWorkFile).string(); }

RenderBlockFn ConversionJob::blockFn(const RenderBlockFn &live, const RenderWatch &watch) {
    return [this, &live, &watch](HSTREAM stream, std::int64_t position) {
        if (cancelled_)
            return false;
        if (position < 0) {
            const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
            const bool known = length != static_cast<QWORD>(-1);
            if (watch.started)
                watch.started(known ? static_cast<std::int64_t>(length) : 0,
                              known ? BASS_ChannelBytes2Seconds(stream, length) : 0.0);
        } else if (watch.block) {
            watch.block(position);
        }
        // The watcher may have let the user cancel.
        if (cancelled_)
            return false;
        return !live || live(stream, position);
    };
}

SongRenderResult ConversionJob::renderWave(const std::string &songPath, const RenderBlockFn &live,
                                           const RenderWatch &watch, std::uint32_t rate) {
    // The work file is replaced, never appended to: the old one goes before
    // the first byte of the new one is rendered.
    removeQuietly(wavePath());
    SongRenderResult result;
    if (cancelled_) {
        result.error = kRenderCancelled;
        return result;
    }
    result = renderSongToWav(songPath, wavePath(), blockFn(live, watch), rate);
    // A cancel that came after the last block: the file is complete but unwanted.
    if (cancelled_ && result.ok) {
        removeQuietly(wavePath());
        result = SongRenderResult{};
        result.error = kRenderCancelled;
    }
    return result;
}

EncodeResult ConversionJob::renderMp3(const std::string &songPath, const RenderBlockFn &live,
                                      const Mp3Settings &settings, const RenderWatch &watch) {
    EncodeResult result;
    removeQuietly(wavePath());
    if (cancelled_) {
        result.error = kRenderCancelled;
        return result;
    }
    core::SafeOutput file;
    if (!file.open(mp3Path(), true)) {
        result.error = file.error();
        return result;
    }
    WavFileSink wave(wavePath());
    // The encoder's count, read by the render thread, which reports it.
    std::atomic<std::uint64_t> encoded{0}, expected{0};
    const RenderBlockFn each = blockFn(live, watch);
    Mp3ConversionOptions options;
    options.preset = settings.preset;
    options.bitrate = settings.bitRateKbps;
    options.rate = settings.rate;
    options.copyTo = &wave;
    options.onEncoded = [&](std::uint64_t done, std::uint64_t all) {
        encoded = done;
        expected = all;
    };
    options.onBlock = [&](HSTREAM stream, std::int64_t position) {
        if (watch.encoded && position >= 0)
            watch.encoded(static_cast<std::int64_t>(encoded / 2), static_cast<std::int64_t>(expected / 2));
        return each(stream, position);
    };
    options.onRendered = [&](const SongRenderResult &render) {
        SongRenderResult shown = render;
        if (render.ok && !cancelled_) {
            if (std::string why = wave.complete(); !why.empty()) {
                shown = SongRenderResult{};
                shown.error = why;
                cancelled_ = true; // the MP3 of a failed conversion is not kept
            }
        } else {
            wave.abandon();
        }
        if (watch.rendered)
            watch.rendered(shown);
    };
    const Mp3ConversionResult made = renderSongToMp3(songPath, file.stream(), mp3Path(), options);
    if (cancelled_ || !made.ok) {
        result.error = made.ok ? "encoding cancelled" : made.error;
        return result;
    }
    if (!file.commit()) {
        result.error = file.error();
        return result;
    }
    if (watch.encoded)
        watch.encoded(static_cast<std::int64_t>(made.pcmBytes / 2), static_cast<std::int64_t>(made.pcmBytes / 2));
    result.ok = true;
    return result;
}

std::string ConversionJob::normalizeWave(LoudnessReport &report) {
    removeQuietly(normPath());
    if (cancelled_)
        return kRenderCancelled;
    std::string why = normalizeWavFile(wavePath(), normPath(), LoudnessTarget{}, report);
    if (why.empty() && cancelled_) {
        removeQuietly(normPath());
        why = kRenderCancelled;
    }
    return why;
}

EncodeResult ConversionJob::encodeWave(const std::string &wav, const Mp3Settings &settings, const RenderWatch &watch) {
    EncodeResult result;
    removeQuietly(mp3Path());
    if (cancelled_) {
        result.error = "encoding cancelled";
        return result;
    }
    core::SafeOutput file;
    if (!file.open(mp3Path(), true)) {
        result.error = file.error();
        return result;
    }
    cLameEncoder encoder;
    encoder.EncodingPreset(settings.preset);
    encoder.BitRate(settings.bitRateKbps);
    encoder.WavFile(wav);
    encoder.Mp3Stream(file.stream(), mp3Path());
    encoder.Progress = [&](std::int64_t done, std::int64_t total, bool &cancel) {
        cancel = cancelled_;
        if (watch.encoded)
            watch.encoded(done / 2, total / 2);
    };
    try {
        encoder.Encode();
    } catch (const NumberedError &e) {
        result.error = "error " + std::to_string(e.number) + ": " + e.description;
        return result;
    }
    if (cancelled_) {
        result.error = "encoding cancelled";
        return result;
    }
    if (!file.commit()) {
        result.error = file.error();
        return result;
    }
    result.ok = true;
    return result;
}

void ConversionJob::cancel() {
    cancelled_ = true;
    // Unlinking a file still open is allowed: the step closes it later.
    core::SafeOutput::removeOwnTemporaries(wavePath());
    core::SafeOutput::removeOwnTemporaries(mp3Path());
    core::SafeOutput::removeOwnTemporaries(normPath());
}

} // namespace cantora::render
