#pragma once
// The media player the MP3 engine drives: one object with the three faces
// of a media graph. Control: RenderFile, Run, Pause, Stop, GetState.
// Position: duration and current position in seconds. Audio: volume in
// hundredths of a decibel (0 = full, -10000 = silent). Every call returns
// false (or a failed value) rather than throwing.

#include <memory>
#include <string>

namespace cantora::playback {

// GetState values.
enum class GraphState { Stopped = 0, Paused = 1, Running = 2 };

class MediaGraph {
public:
    virtual ~MediaGraph() = default;
    // Opens `path` and gets ready to play it from the start; false when it
    // cannot be played (error() says why).
    virtual bool RenderFile(const std::string &path) = 0;
    virtual bool Run() = 0;
    virtual bool Pause() = 0;
    virtual bool Stop() = 0;
    virtual GraphState GetState() const = 0;
    // Length of the file in seconds.
    virtual double Duration() const = 0;
    // Seconds of the file heard so far (what leaves the speaker, not what
    // was decoded).
    virtual double CurrentPosition() const = 0;
    virtual bool SetCurrentPosition(double seconds) = 0;
    virtual bool SetVolume(long hundredthsDb) = 0;
    virtual long Volume() const = 0;
    // Why the last failing call failed.
    virtual std::string error() const = 0;
};

class PlaybackOutput;

// A media graph over libmpg123 and `output`.
std::unique_ptr<MediaGraph> makeMp3Graph(std::unique_ptr<PlaybackOutput> output);

} // namespace cantora::playback
