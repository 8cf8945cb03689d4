#include "render/conversionjob.h"

#include "core/safeoutput.h"
#include "render/lameencoder.h"
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

ConversionJob::ConversionJob(std::string folder) : folder_(std::move(folder)) {}

std::string ConversionJob::wavePath() const { return (fs::path(folder_) / kWaveWorkFile).string(); }
std::string ConversionJob::mp3Path() const { return (fs::path(folder_) / kMp3WorkFile).string(); }

SongRenderResult ConversionJob::renderWave(const std::string &songPath, const RenderBlockFn &live,
                                           const RenderWatch &watch) {
    // The work file is replaced, never appended to: the old one goes before
    // the first byte of the new one is rendered.
    removeQuietly(wavePath());
    SongRenderResult result;
    if (cancelled_) {
        result.error = kRenderCancelled;
        return result;
    }
    const auto eachBlock = [&](HSTREAM stream, std::int64_t position) {
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
    result = renderSongToWav(songPath, wavePath(), eachBlock);
    // A cancel that came after the last block: the file is complete but unwanted.
    if (cancelled_ && result.ok) {
        removeQuietly(wavePath());
        result = SongRenderResult{};
        result.error = kRenderCancelled;
    }
    return result;
}

EncodeResult ConversionJob::encodeMp3(const Mp3Settings &settings,
                                      const std::function<void(std::int64_t, std::int64_t)> &progress) {
    EncodeResult result;
    if (cancelled_) {
        result.error = "encoding cancelled";
        return result;
    }
    if (!fs::exists(wavePath())) {
        result.error = "there is no " + std::string(kWaveWorkFile) + " to encode";
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
    encoder.WavFile(wavePath());
    encoder.Mp3Stream(file.stream(), mp3Path());
    encoder.Progress = [&](std::int64_t done, std::int64_t total, bool &cancel) {
        if (progress && !cancelled_)
            progress(done, total);
        cancel = cancelled_;
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
}

} // namespace cantora::render
