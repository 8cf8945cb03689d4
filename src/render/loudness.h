#pragma once
// Even loudness for rendered songs: the song is measured by EBU R128
// (integrated loudness and true peak, libebur128), one gain brings it to the
// target loudness, and a look-ahead limiter holds the true peaks under the
// ceiling only where that gain would push them over it.
//
// Three ways in, one way through: a song rendered to MP3 or to WAV (the
// render goes once into an unnamed scratch file beside the output while it
// is measured, then through the gain into the encoder or the WAV file), and
// a WAV file already rendered normalised into another (the window's
// "newwave.wav" into "newnorm.wav"). Outputs appear under their names only
// when complete, as renderSongToWav and renderSongToMp3 write them.

#include "render/mp3pipeline.h"
#include "render/songrender.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cantora::render {

struct LoudnessTarget {
    double lufs = -16.0;      // integrated loudness wanted
    double truePeakDb = -1.0; // ceiling for the true peak, dBTP
};

// The most gain ever applied: a song quieter than this is left quiet rather
// than have its noise floor raised.
constexpr double kMaxNormalizeGainDb = 40.0;

// The option the render, mp3 and batch commands share.
inline constexpr const char *kNormalizeUsage =
    "  --normalize[=LUFS]  even loudness: measured by EBU R128 and brought to LUFS\n"
    "                      (default -16) with true peaks at most -1 dBTP\n";
// True for "--normalize" and "--normalize=...".
bool isNormalizeOption(const std::string &arg);
// Reads such an option into `target`: "" when taken, else the error to show.
std::string applyNormalizeOption(const std::string &arg, std::optional<LoudnessTarget> &target);

// What was measured and done.
struct LoudnessReport {
    double inputLufs = 0; // -inf when the song is silent
    double inputTruePeakDb = 0;
    double gainDb = 0;
    bool limited = false;  // the limiter was in the path
    double outputLufs = 0; // as measured after gain and limiter
    double outputTruePeakDb = 0;
};
// "loudness -23.10 LUFS, true peak -6.20 dBTP; gain +7.10 dB (limiter on); now -16.00 LUFS, -1.52 dBTP"
std::string loudnessText(const LoudnessReport &r);

// EBU R128 integrated loudness and (unless told not to) true peak of
// interleaved 16-bit audio.
class LoudnessMeter {
public:
    LoudnessMeter(std::uint32_t rate, std::uint16_t channels, bool truePeak = true);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter &) = delete;
    LoudnessMeter &operator=(const LoudnessMeter &) = delete;
    void add(const std::int16_t *samples, std::size_t frames);
    double lufs() const;       // -inf for silence
    double truePeakDb() const; // -inf for silence (or when not measured)

private:
    void *state_ = nullptr; // the library's ebur128_state
    std::uint16_t channels_;
    bool truePeak_;
};

// The gain (dB) that brings `inputLufs` to the target, within
// kMaxNormalizeGainDb; 0 for silence.
double normalizeGainDb(double inputLufs, const LoudnessTarget &target);

// Gain, then (when `ceilingDb` is given) a look-ahead limiter whose
// detector sees the peaks between samples too, on interleaved 16-bit audio.
// Output lags input by latencyFrames() while limiting; flush() gives the tail.
class GainStage {
public:
    GainStage(double gainDb, std::optional<double> ceilingDb, std::uint16_t channels);
    // Appends the processed frames that are ready to `out`.
    void process(const std::int16_t *in, std::size_t frames, std::vector<std::int16_t> &out);
    void flush(std::vector<std::int16_t> &out);
    std::size_t latencyFrames() const;

private:
    void push(const float *frame, std::vector<std::int16_t> &out);
    float gain_;
    std::optional<float> ceiling_;
    std::uint16_t channels_;
    // Limiter state: recent input (for the interpolating detector and the
    // delay line), the wanted gain per frame ahead, and the gains in use.
    std::vector<float> history_;                      // ring of kHistory frames
    std::deque<std::pair<std::size_t, float>> least_; // rising gains wanted in the look-ahead
    std::vector<float> averaged_;                     // ring: the look-ahead minima
    std::size_t count_ = 0;                           // frames pushed
    double runningSum_ = 0;
    float held_ = 1;
};

// Renders `songPath` normalised to `target` into the open `mp3` stream, the
// file `mp3Path` is to become (no overlap of render and encoder: the whole
// song is measured before the first frame is encoded). Options and result as
// renderSongToMp3's.
Mp3ConversionResult renderSongToMp3Normalized(const std::string &songPath, std::FILE *mp3, const std::string &mp3Path,
                                              const Mp3ConversionOptions &options, const LoudnessTarget &target,
                                              LoudnessReport &report);

// renderSongToWav, normalised to `target`.
SongRenderResult renderSongToWavNormalized(const std::string &songPath, const std::string &wavPath,
                                           const RenderBlockFn &onBlock, const LoudnessTarget &target,
                                           LoudnessReport &report);

// A 16-bit PCM WAV file normalised into another: "" when written, else
// what failed (the input unreadable or not 16-bit PCM, the output unwritable).
std::string normalizeWavFile(const std::string &inWav, const std::string &outWav, const LoudnessTarget &target,
                             LoudnessReport &report);

} // namespace cantora::render
