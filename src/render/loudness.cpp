#include "render/loudness.h"

#include "core/safeoutput.h"

#include "core/byteio.h"
#include "core/riff.h"
#include "render/numberederror.h"
#include "render/wavwriter.h"

#include <ebur128.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <limits>

namespace cantora::render {

namespace {

constexpr double kNegInf = -std::numeric_limits<double>::infinity();
// What the limiter keeps below the ceiling for the encoder: an MP3 decodes
// with peaks a little above those of the samples it was made from.
constexpr double kEncoderHeadroomDb = 0.5;
// The limiter looks this many frames ahead (1.5 ms at 44.1 kHz) and lets
// its gain recover over about 80 ms.
constexpr std::size_t kLookAhead = 64;
constexpr float kRelease = 1.0f / 3500.0f;
// Frames of input the limiter keeps: the look-ahead and the detector's taps.
constexpr std::size_t kHistory = 128;
// The detector's interpolator: 8 taps of a Hann-windowed sinc for the
// points a quarter, a half and three quarters between two samples.
constexpr int kTaps = 8;
constexpr std::size_t kDetectorLag = kTaps / 2;

using Phases = std::array<std::array<float, kTaps>, 3>;

const Phases &interpolator() {
    static const Phases phases = [] {
        Phases p{};
        for (int f = 0; f < 3; ++f) {
            const double t = (f + 1) / 4.0;
            for (int k = 0; k < kTaps; ++k) {
                const double x = t - (k - (kTaps / 2 - 1)); // distance from tap k
                const double sinc = x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
                const double window = 0.5 + 0.5 * std::cos(M_PI * x / (kTaps / 2));
                p[f][k] = static_cast<float>(sinc * window);
            }
        }
        return p;
    }();
    return phases;
}

double dbToGain(double db) { return std::pow(10.0, db / 20.0); }
double gainToDb(double g) { return g > 0 ? 20.0 * std::log10(g) : kNegInf; }

std::int16_t toSample(float v) {
    const float s = std::nearbyint(v * 32768.0f);
    return static_cast<std::int16_t>(std::clamp(s, -32768.0f, 32767.0f));
}

// Thread processor time and wall time, in seconds.
double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double wallNow() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// An unnamed file beside `path` for the rendered samples: it vanishes when
// closed, however the process ends.
class Scratch {
public:
    explicit Scratch(const std::string &path) {
        core::keepFileSizeSignalAway();
        std::filesystem::path dir = std::filesystem::path(path).parent_path();
        if (dir.empty())
            dir = ".";
        fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ < 0) { // a file system without unnamed files
            std::string name = (dir / ".cantora-scratch-XXXXXX").string();
            fd_ = mkostemp(name.data(), O_CLOEXEC);
            if (fd_ >= 0)
                ::unlink(name.c_str());
        }
    }
    ~Scratch() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

// The render's samples into the scratch file, measured on the way.
class ScratchSink : public PcmSink {
public:
    explicit ScratchSink(const Scratch &s) : scratch_(s) {}
    std::string begin(const PcmFormat &f) override {
        if (f.bits != 16 || f.channels == 0)
            return "the engine delivers " + std::to_string(f.bits) + "-bit audio; loudness is measured on 16-bit";
        if (scratch_.fd() < 0)
            return "no room for the render beside the output";
        format = f;
        meter = std::make_unique<LoudnessMeter>(f.rate, f.channels);
        return {};
    }
    std::string write(const char *data, std::size_t bytes) override {
        if (!core::writeFullyAt(scratch_.fd(), std::string_view(data, bytes), static_cast<std::int64_t>(size)))
            return std::string("cannot keep the render beside the output: ") + std::strerror(errno);
        size += bytes;
        // Blocks come whole frames at a time from the decoder.
        meter->add(reinterpret_cast<const std::int16_t *>(data), bytes / (2u * format.channels));
        return {};
    }
    PcmFormat format;
    std::unique_ptr<LoudnessMeter> meter;
    std::uint64_t size = 0;

private:
    const Scratch &scratch_;
};

using FramesFn = std::function<std::string(const std::int16_t *samples, std::size_t frames)>;

// Reads [begin, begin + bytes) of `src` in whole frames and hands them on.
std::string readFrames(const core::ByteSource &src, std::int64_t begin, std::uint64_t bytes, std::uint16_t channels,
                       const FramesFn &take) {
    const std::size_t frameBytes = 2u * channels;
    std::vector<std::int16_t> buffer(16384 * channels);
    std::uint64_t done = 0;
    while (done + frameBytes <= bytes) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(buffer.size() * 2, (bytes - done) / frameBytes * frameBytes));
        const std::size_t got =
            src.read(begin + static_cast<std::int64_t>(done), reinterpret_cast<char *>(buffer.data()), want);
        if (got < frameBytes)
            return "the audio ends early";
        if (std::string why = take(buffer.data(), got / frameBytes); !why.empty())
            return why;
        done += got / frameBytes * frameBytes;
    }
    return {};
}

// The measured audio through gain and, where needed, the limiter into
// `take`. Loudness does not follow the gain exactly (quiet passages cross
// the measurement's gate, the limiter takes some back), so the gain is
// found by a few dry passes, secant steps, before the one that counts.
std::string applyLoudness(const core::ByteSource &src, std::int64_t begin, std::uint64_t bytes, const PcmFormat &f,
                          const LoudnessMeter &input, const LoudnessTarget &target, LoudnessReport &report,
                          const FramesFn &take) {
    report.inputLufs = input.lufs();
    report.inputTruePeakDb = input.truePeakDb();
    report.gainDb = normalizeGainDb(report.inputLufs, target);
    const double ceiling = target.truePeakDb - kEncoderHeadroomDb;
    const auto pass = [&](const FramesFn &out) {
        report.limited = report.inputTruePeakDb + report.gainDb > ceiling;
        GainStage stage(report.gainDb, report.limited ? std::optional<double>(ceiling) : std::nullopt, f.channels);
        LoudnessMeter meter(f.rate, f.channels, out != nullptr);
        std::vector<std::int16_t> done;
        const auto give = [&]() -> std::string {
            meter.add(done.data(), done.size() / f.channels);
            std::string why = out ? out(done.data(), done.size() / f.channels) : std::string();
            done.clear();
            return why;
        };
        std::string why = readFrames(src, begin, bytes, f.channels, [&](const std::int16_t *s, std::size_t n) {
            stage.process(s, n, done);
            return give();
        });
        if (why.empty()) {
            stage.flush(done);
            why = give();
        }
        report.outputLufs = meter.lufs();
        report.outputTruePeakDb = meter.truePeakDb();
        return why;
    };
    double lastGain = 0, lastLufs = report.inputLufs;
    for (int step = 0; step < 6 && std::isfinite(report.inputLufs); ++step) {
        if (std::string why = pass({}); !why.empty())
            return why;
        const double miss = target.lufs - report.outputLufs;
        if (!std::isfinite(miss) || std::fabs(miss) < 0.05 || report.gainDb >= kMaxNormalizeGainDb)
            break;
        const double slope = (report.outputLufs - lastLufs) / (report.gainDb - lastGain);
        lastGain = report.gainDb;
        lastLufs = report.outputLufs;
        report.gainDb = std::min(report.gainDb + miss / std::clamp(slope, 0.1, 1.0), kMaxNormalizeGainDb);
    }
    return pass(take);
}

} // namespace

bool isNormalizeOption(const std::string &arg) { return arg == "--normalize" || arg.rfind("--normalize=", 0) == 0; }

std::string applyNormalizeOption(const std::string &arg, std::optional<LoudnessTarget> &target) {
    LoudnessTarget t;
    if (arg != "--normalize") {
        const std::string value = arg.substr(12);
        char *end = nullptr;
        const double v = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(v >= -70.0 && v <= -5.0))
            return "--normalize wants a loudness in LUFS from -70 to -5 (such as --normalize=-16), not '" + value + "'";
        t.lufs = v;
    }
    target = t;
    return {};
}

std::string loudnessText(const LoudnessReport &r) {
    char text[256];
    if (!std::isfinite(r.inputLufs))
        return "silent: no loudness to measure, gain 0 dB";
    std::snprintf(text, sizeof text,
                  "loudness %.2f LUFS, true peak %.2f dBTP; gain %+.2f dB%s; now %.2f LUFS, %.2f dBTP", r.inputLufs,
                  r.inputTruePeakDb, r.gainDb, r.limited ? " (limiter on)" : "", r.outputLufs, r.outputTruePeakDb);
    return text;
}

namespace {
ebur128_state *meterState(void *p) { return static_cast<ebur128_state *>(p); }
} // namespace

LoudnessMeter::LoudnessMeter(std::uint32_t rate, std::uint16_t channels, bool truePeak)
    : state_(ebur128_init(channels, rate, truePeak ? EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK : EBUR128_MODE_I)),
      channels_(channels), truePeak_(truePeak) {}

LoudnessMeter::~LoudnessMeter() {
    if (ebur128_state *s = meterState(state_))
        ebur128_destroy(&s);
}

void LoudnessMeter::add(const std::int16_t *samples, std::size_t frames) {
    if (state_ && frames)
        ebur128_add_frames_short(meterState(state_), samples, frames);
}

double LoudnessMeter::lufs() const {
    double v = kNegInf;
    if (!state_ || ebur128_loudness_global(meterState(state_), &v) != EBUR128_SUCCESS || !std::isfinite(v))
        return kNegInf;
    return v;
}

double LoudnessMeter::truePeakDb() const {
    double peak = 0;
    for (unsigned c = 0; state_ && truePeak_ && c < channels_; ++c) {
        double p = 0;
        if (ebur128_true_peak(meterState(state_), c, &p) == EBUR128_SUCCESS)
            peak = std::max(peak, p);
    }
    return gainToDb(peak);
}

double normalizeGainDb(double inputLufs, const LoudnessTarget &target) {
    if (!std::isfinite(inputLufs))
        return 0;
    return std::min(target.lufs - inputLufs, kMaxNormalizeGainDb);
}

GainStage::GainStage(double gainDb, std::optional<double> ceilingDb, std::uint16_t channels)
    : gain_(static_cast<float>(dbToGain(gainDb))), channels_(channels) {
    if (ceilingDb) {
        ceiling_ = static_cast<float>(dbToGain(*ceilingDb));
        history_.assign(kHistory * channels, 0.0f);
        averaged_.assign(kHistory, 1.0f);
        runningSum_ = double(kLookAhead);
    }
}

std::size_t GainStage::latencyFrames() const { return ceiling_ ? kLookAhead - 1 + kDetectorLag : 0; }

void GainStage::process(const std::int16_t *in, std::size_t frames, std::vector<std::int16_t> &out) {
    if (!ceiling_) {
        out.reserve(out.size() + frames * channels_);
        for (std::size_t i = 0; i < frames * channels_; ++i)
            out.push_back(toSample(float(in[i]) / 32768.0f * gain_));
        return;
    }
    std::vector<float> frame(channels_);
    for (std::size_t i = 0; i < frames; ++i) {
        for (std::size_t c = 0; c < channels_; ++c)
            frame[c] = float(in[i * channels_ + c]) / 32768.0f * gain_;
        push(frame.data(), out);
    }
}

void GainStage::flush(std::vector<std::int16_t> &out) {
    if (!ceiling_)
        return;
    const std::vector<float> silence(channels_, 0.0f);
    const std::size_t real = count_;
    for (std::size_t i = 0; i < latencyFrames(); ++i) {
        const std::size_t before = out.size();
        push(silence.data(), out);
        // Frames made of the silence pushed here are not the song's.
        if (count_ - latencyFrames() > real)
            out.resize(before);
    }
}

void GainStage::push(const float *frame, std::vector<std::int16_t> &out) {
    const std::size_t n = count_++;
    const auto at = [&](std::size_t i, std::size_t c) -> float & { return history_[(i % kHistory) * channels_ + c]; };
    for (std::size_t c = 0; c < channels_; ++c)
        at(n, c) = frame[c];
    // The detector: frame m and the points between it and the next, read
    // through the interpolator (taps m-3 .. m+4).
    if (n < kDetectorLag)
        return;
    const std::size_t m = n - kDetectorLag;
    float peak = 0;
    for (std::size_t c = 0; c < channels_; ++c) {
        peak = std::max({peak, std::fabs(at(m, c)), std::fabs(at(m + 1, c))});
        for (const auto &phase : interpolator()) {
            float v = 0;
            for (int k = 0; k < kTaps; ++k) {
                const std::ptrdiff_t i = std::ptrdiff_t(m) + k - (kTaps / 2 - 1);
                v += i >= 0 ? phase[k] * at(std::size_t(i), c) : 0.0f;
            }
            peak = std::max(peak, std::fabs(v));
        }
    }
    const float wanted = peak > *ceiling_ ? *ceiling_ / peak : 1.0f;
    // The least gain wanted over the look-ahead from frame j = m - L + 1
    // (a window minimum kept in `least_`), averaged over the L frames
    // before j: at a peak that average is no more than the peak wants, and
    // it moves there in a ramp, not a step.
    while (!least_.empty() && least_.back().second >= wanted)
        least_.pop_back();
    least_.emplace_back(m, wanted);
    if (m + 1 < kLookAhead)
        return;
    const std::size_t j = m + 1 - kLookAhead;
    while (least_.front().first < j)
        least_.pop_front();
    const float least = least_.front().second;
    float &oldest = averaged_[(j + kHistory - kLookAhead) % kHistory];
    runningSum_ += double(least) - double(oldest);
    averaged_[j % kHistory] = least;
    const float smooth = float(runningSum_ / double(kLookAhead));
    held_ = smooth < held_ ? smooth : held_ + (smooth - held_) * kRelease;
    for (std::size_t c = 0; c < channels_; ++c)
        out.push_back(toSample(at(j, c) * held_));
}

Mp3ConversionResult renderSongToMp3Normalized(const std::string &songPath, std::FILE *mp3, const std::string &mp3Path,
                                              const Mp3ConversionOptions &options, const LoudnessTarget &target,
                                              LoudnessReport &report) {
    Mp3ConversionResult out;
    const Scratch scratch(mp3Path);
    ScratchSink sink(scratch);
    double wall = wallNow(), cpu = cpuNow();
    const SongRenderResult r = renderSongBlocks(songPath, sink, options.onBlock, options.rate);
    out.renderBusySeconds = wallNow() - wall;
    out.renderCpuSeconds = cpuNow() - cpu;
    out.pcmBytes = r.dataBytes;
    out.rate = r.rate;
    if (!r.ok) {
        out.error = r.error;
        out.engineError = r.engineError;
        out.cancelled = r.error == kRenderCancelled;
        return out;
    }
    if (sink.format.channels != 2) {
        out.error = "the engine delivers " + std::to_string(sink.format.channels) +
                    " channels; the encoder takes 16-bit stereo";
        return out;
    }
    wall = wallNow();
    cpu = cpuNow();
    try {
        Mp3StreamEncoder encoder(options.preset, r.rate, mp3, mp3Path, options.bitrate);
        const core::DescriptorSource src(scratch.fd(), static_cast<std::int64_t>(sink.size));
        out.error = applyLoudness(src, 0, sink.size, sink.format, *sink.meter, target, report,
                                  [&](const std::int16_t *s, std::size_t frames) {
                                      encoder.encode(reinterpret_cast<const char *>(s), frames * 4);
                                      if (options.onEncoded)
                                          options.onEncoded(encoder.bytesEncoded(), sink.format.expectedBytes);
                                      return std::string();
                                  });
        if (out.error.empty())
            encoder.finish();
    } catch (const NumberedError &e) {
        out.error = "error " + std::to_string(e.number) + ": " + e.description;
    }
    out.encodeBusySeconds = wallNow() - wall;
    out.encodeCpuSeconds = cpuNow() - cpu;
    out.ok = out.error.empty();
    return out;
}

namespace {

// Through the loudness stage into a WAV file written safely as `wavPath`.
std::string writeNormalizedWav(const core::ByteSource &src, std::int64_t begin, std::uint64_t bytes, const PcmFormat &f,
                               const LoudnessMeter &input, const LoudnessTarget &target, LoudnessReport &report,
                               const std::string &wavPath) {
    core::SafeOutput file;
    WavWriter writer;
    if (!file.open(wavPath, true))
        return file.error();
    if (!writer.open(file.stream(), f.channels, f.rate, 16))
        return "cannot write " + wavPath;
    std::string why =
        applyLoudness(src, begin, bytes, f, input, target, report, [&](const std::int16_t *s, std::size_t frames) {
            return writer.write(s, frames * 2u * f.channels)
                       ? std::string()
                       : "cannot write " + wavPath + ": " + std::strerror(writer.error());
        });
    if (why.empty() && !writer.finish())
        why = "cannot complete " + wavPath;
    if (why.empty() && !file.commit())
        why = file.error();
    return why;
}

} // namespace

SongRenderResult renderSongToWavNormalized(const std::string &songPath, const std::string &wavPath,
                                           const RenderBlockFn &onBlock, const LoudnessTarget &target,
                                           LoudnessReport &report) {
    const Scratch scratch(wavPath);
    ScratchSink sink(scratch);
    SongRenderResult r = renderSongBlocks(songPath, sink, onBlock);
    if (!r.ok)
        return r;
    const core::DescriptorSource src(scratch.fd(), static_cast<std::int64_t>(sink.size));
    if (std::string why = writeNormalizedWav(src, 0, sink.size, sink.format, *sink.meter, target, report, wavPath);
        !why.empty()) {
        r.ok = false;
        r.error = why;
    }
    return r;
}

std::string normalizeWavFile(const std::string &inWav, const std::string &outWav, const LoudnessTarget &target,
                             LoudnessReport &report) {
    core::FileSource src;
    if (!src.open(inWav))
        return inWav + ": " + src.error();
    const std::string head = src.readString(0, 12);
    if (head.size() < 12 || head.compare(0, 4, "RIFF") != 0 || head.compare(8, 4, "WAVE") != 0)
        return inWav + ": not a WAV file";
    PcmFormat f;
    std::int64_t dataAt = -1;
    std::uint64_t dataBytes = 0;
    core::walkRiffChunks(src, 12, src.size(), [&](const core::RiffChunk &c) {
        if (c.id == "fmt ") {
            const std::string fmt = src.readString(c.body, 16);
            if (fmt.size() == 16 && core::le16(fmt, 0) == 1) {
                f.channels = core::le16(fmt, 2);
                f.rate = core::le32(fmt, 4);
                f.bits = core::le16(fmt, 14);
            }
        } else if (c.id == "data") {
            dataAt = c.body;
            dataBytes = std::min<std::uint64_t>(c.size, static_cast<std::uint64_t>(src.size() - c.body));
            return false;
        }
        return true;
    });
    if (f.bits != 16 || f.channels == 0 || f.rate == 0 || dataAt < 0)
        return inWav + ": not a 16-bit PCM WAV file";
    LoudnessMeter meter(f.rate, f.channels);
    if (std::string why = readFrames(src, dataAt, dataBytes, f.channels,
                                     [&](const std::int16_t *s, std::size_t n) {
                                         meter.add(s, n);
                                         return std::string();
                                     });
        !why.empty())
        return inWav + ": " + why;
    return writeNormalizedWav(src, dataAt, dataBytes, f, meter, target, report, outWav);
}

} // namespace cantora::render
