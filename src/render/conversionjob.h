#pragma once
// The karaoke conversion's file work, without its window: the work files in
// the application folder, the song rendered to "newwave.wav" and that file
// encoded to "SYNCRO.MP3". The main window asks the questions, shows the
// progress and opens the tag editor; what happens on disk is decided here.
//
//   Open a song     -> KillTemp: newwave.wav, newnorm.wav, SYNCRO.LRC, SYNCRO.MP3 go
//   Wave            -> renderWave: newwave.wav (the old one goes first)
//   MP3             -> renderMp3: newwave.wav and SYNCRO.MP3 at once, the
//                      render and the encoding overlapping (the old ones go first)
//   Even loudness   -> normalizeWave: newwave.wav to newnorm.wav; for MP3,
//                      encodeWave then makes SYNCRO.MP3 of newnorm.wav
//
// A step that fails or is cancelled leaves nothing under its work name: the
// render builds its file under another name and the encoding writes
// "SYNCRO.MP3.part", each renamed only when complete.
//
// Threading: start() runs a step on the job's worker thread (or at once on
// the calling thread for a job made inline); the step calls its watcher on
// that thread. cancel() may come from any thread, wait() from any but the
// worker. The destructor cancels a step still running and waits for it.

#include "render/loudness.h"
#include "render/songrender.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace cantora::render {

// The work files, in the order the clean-up deletes them.
inline constexpr std::array<const char *, 4> kWorkFiles{"newwave.wav", "newnorm.wav", "SYNCRO.LRC", "SYNCRO.MP3"};
inline constexpr const char *kWaveWorkFile = "newwave.wav";
inline constexpr const char *kNormWorkFile = "newnorm.wav";
inline constexpr const char *kLrcWorkFile = "SYNCRO.LRC";
inline constexpr const char *kMp3WorkFile = "SYNCRO.MP3";

// Deletes the work files of `folder`; a missing one, or one that cannot go, is passed over.
void KillTemp(const std::string &folder);

// `done` out of `total` as a whole percentage, 0-100; 0 while the total is unknown.
int percentOf(std::int64_t done, std::int64_t total);

// What a render tells its watcher.
struct RenderWatch {
    // The decoding stream exists: the song's length in bytes (0 when the
    // engine cannot tell) and in seconds.
    std::function<void(std::int64_t lengthBytes, double seconds)> started;
    // Before each block: the stream position in bytes.
    std::function<void(std::int64_t position)> block;
    // MP3: the render has ended (newwave.wav in place when it succeeded); the encoder catches up.
    std::function<void(const SongRenderResult &render)> rendered;
    // MP3, before each block and at the end: 16-bit samples encoded over both
    // channels, and the song's count (0 while unknown).
    std::function<void(std::int64_t done, std::int64_t total)> encoded;
};

// The encoder's settings chosen in the main window.
struct Mp3Settings {
    long preset = 6;        // a code of EncoderPresets() (6: Standard)
    long bitRateKbps = 128; // used by the fixed and average bit-rate presets
    std::uint32_t rate = 0; // the sample rate of the render and the MP3 (0: the engine's)
};

struct EncodeResult {
    bool ok = false;
    std::string error;       // what went wrong, for messages (with the error number)
    std::string besideError; // the MP3 is made, but a file written beside it failed: why
};

class ConversionJob {
public:
    // How start() runs a step: on a worker thread, or at once in the caller's (tests).
    enum class Run { Worker, Inline };

    // Works on the work files of `folder` (the application folder).
    explicit ConversionJob(std::string folder, Run run = Run::Worker);
    ~ConversionJob();
    ConversionJob(const ConversionJob &) = delete;
    ConversionJob &operator=(const ConversionJob &) = delete;

    // Runs `step` (one of the steps below, with what follows it) as the job's
    // one piece of work.
    void start(std::function<void()> step);
    // Waits for the work started to end.
    void wait();

    // The song to "newwave.wav". `live` puts the window's live settings on
    // the decoding stream before the first block and before every block
    // after (it may be empty). The old work file is deleted first.
    // `rate` is the sample rate rendered (0: the engine's).
    SongRenderResult renderWave(const std::string &songPath, const RenderBlockFn &live, const RenderWatch &watch,
                                std::uint32_t rate = 0);

    // The song to "newwave.wav" and, through the encoder at the same time,
    // to "SYNCRO.MP3" with `settings`; `live` as for renderWave.
    EncodeResult renderMp3(const std::string &songPath, const RenderBlockFn &live, const Mp3Settings &settings,
                           const RenderWatch &watch);

    // "newwave.wav" brought to the usual loudness as "newnorm.wav" (the old
    // one goes first). Returns "" or what failed.
    std::string normalizeWave(LoudnessReport &report);

    // The WAV file `wav` encoded to "SYNCRO.MP3" with `settings`; the
    // watcher's `encoded` follows it.
    EncodeResult encodeWave(const std::string &wav, const Mp3Settings &settings, const RenderWatch &watch);

    // Stops the step that runs at its next block and removes its file under
    // construction at once, so that a process ending right now leaves no
    // half file. Every later step refuses to run.
    void cancel();
    bool cancelled() const { return cancelled_; }

    std::string wavePath() const;
    std::string mp3Path() const;
    std::string normPath() const;

private:
    // The block callback both steps give the render: the watcher, the live settings, the cancel.
    RenderBlockFn blockFn(const RenderBlockFn &live, const RenderWatch &watch);

    std::string folder_;
    Run run_;
    std::thread worker_;
    std::atomic<bool> cancelled_{false};
};

} // namespace cantora::render
