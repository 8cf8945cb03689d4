#pragma once
// Mp3Player: the tag editor's MP3 transport. It plays one file through a
// media graph, reports the elapsed and total time as texts, places the
// position knob (left 0..129 pixels) and the volume knob (top 0 = loudest
// .. 89 = quietest), and lets both knobs be dragged.
//
// The player state is the text "true" (playing), "pause" or "false"
// (stopped), as the windows that compare it expect. Times are seconds as
// double; volumes hundredths of a decibel.
//
// Threading: user-interface thread only. The graph's own device thread
// never calls back into this object.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace cantora::playback {

class MediaGraph;

// Stopped, playing or paused; shown to other windows as "false", "true", "pause".
enum class PlayState { Stopped, Playing, Paused };

class Mp3Player {
public:
    // Makes a fresh graph for every Start_Play.
    using GraphFactory = std::function<std::unique_ptr<MediaGraph>()>;

    static constexpr int kKnobMaxLeft = 129; // position knob's rightmost left
    static constexpr int kVolumeMaxTop = 89; // volume knob's lowest top
    static constexpr int kTimerMs = 100;     // playTimer interval

    explicit Mp3Player(GraphFactory factory);
    ~Mp3Player();
    Mp3Player(const Mp3Player &) = delete;
    Mp3Player &operator=(const Mp3Player &) = delete;

    // --- Transport ------------------------------------------------------------
    // Builds a graph for `path` and plays it at full volume; a file that
    // cannot be played leaves the player stopped, silently.
    void Start_Play(const std::string &path);
    // Stops and releases the graph; the timer goes off.
    void Stop_Player();
    // Playing <-> paused; nothing when stopped.
    void Pause_Play();
    // Seek five seconds (a paused player resumes first).
    void Five_Seg_Forward();
    void Five_Seg_Backward();
    // The playTimer tick: time texts, knob, end of file, lyric follower.
    void Tick();
    // Places the position knob for `seconds` of the file.
    void ShowTime(std::int16_t seconds);

    // --- Position knob drag (x, y relative to the knob, which moves) ----------
    void SliderReproduccioN_Down(float x, float y);
    void SliderReproduccioN_Move(float x, float y);
    void SliderReproduccioN_Up(float x, float y);

    // --- Volume knob drag (y relative to the knob) ------------------------------
    void VolumeKnob_Down(float y);
    void VolumeKnob_Move(float y);
    void VolumeKnob_Up();
    // Places the volume knob at `top` (clamped, written back) and sets the volume.
    void Ajust_Volume(std::int16_t &top);

    // --- What the window shows -------------------------------------------------
    // "true" (playing), "pause" or "false" (stopped), the text other windows compare.
    const std::string &PlayerState() const;
    PlayState State() const { return state_; }
    const std::string &PlayingFile() const { return file_; }
    // Why the last Start_Play could not play its file (never shown by the
    // player itself; empty after a start that worked).
    const std::string &LastError() const { return lastError_; }
    const std::string &lblTiempoT() const { return elapsedText_; }
    const std::string &lblDuracion() const { return durationText_; }
    int PositionKnobLeft() const { return knobLeft_; } // where the knob stands
    int VolumeKnobTop() const { return volumeTop_; }
    std::int16_t StoredVolume() const { return storedVolume_; }
    bool PlayTimerEnabled() const { return timerOn_; }
    bool PositionDragging() const { return positionDragging_; }
    // Seconds heard so far; 0 when stopped.
    double CurrentPosition() const;
    // Length of the playing file in seconds; 0 when stopped.
    double Duration() const;
    // The graph, for the window's put_Volume after Start_Play; null when stopped.
    MediaGraph *Graph() const { return graph_.get(); }

    // Turns the playTimer on or off (the play command turns it on before Start_Play).
    void SetPlayTimer(bool on);

    // --- Hooks to the window -----------------------------------------------------
    std::function<void(bool on)> TimerSwitched; // start or stop the real timer
    std::function<void()> KnobsMoved;           // repaint the knobs, let pending events run
    std::function<bool()> LyricsFollowing;      // lyrics tag found and lyrics window open
    std::function<void()> FollowLyrics;         // the tag editor's lyric follower

private:
    double knobTime(int left) const; // seconds a knob place stands for
    void repaint();

    GraphFactory factory_;
    std::unique_ptr<MediaGraph> graph_;
    PlayState state_ = PlayState::Stopped;
    std::string file_;
    std::string lastError_;
    std::string elapsedText_ = "00:00";
    std::string durationText_ = "00:00";
    bool timerOn_ = false;

    int knobLeft_ = 0; // the position knob as shown
    bool positionDragging_ = false;
    float positionGrabX_ = 0;
    float positionGrabLeft_ = 0;
    int positionKnobLeft_ = 0; // left computed by the last drag move
    bool movedSinceDown_ = false;

    int volumeTop_ = 0;
    bool volumeDragging_ = false;
    float volumeGrabY_ = 0;
    float volumeGrabTop_ = 0;
    std::int16_t storedVolume_ = 0;
};

} // namespace cantora::playback
