#pragma once
// The player's transport: the one song (stream, path, tempo), the transport
// flags, the SoundFonts and the channel records, with Open, Play, Pause,
// Stop, replay (Modify) and seek and the rules for which commands are
// available after each. The window forwards its commands here and shows
// what the transport reports through TransportListener.
//
// Threading: every member runs on the UI thread. The engine's lyric and end
// callbacks reach the listener on the engine's thread (see there); the
// mix-time tempo callbacks touch only the song's atomic tempo fields.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "audio/bass.h"
#include "lyrics/livesync.h"
#include "player/channels.h"
#include "player/livesettings.h"
#include "player/song.h"
#include "player/soundfonts.h"

namespace cantora::player {

// Which of the window's commands are available, and whether its display timer runs.
struct TransportControls {
    bool open = true;          // Open MidiFile
    bool play = false;         // Play
    bool pause = false;        // Pause
    bool stop = false;         // Stop
    bool replaceFont = false;  // replace the main SoundFont
    bool convert = false;      // Wave and MP3 (wanted state)
    bool lrcCreator = false;   // menu LRC Creator
    bool options = true;       // menu Options
    bool capture = false;      // the MP3K box
    bool displayTimer = false; // the half-second display timer
    bool operator==(const TransportControls &) const = default;
};

// What the window shows about the loaded song.
struct SongInfo {
    std::string openCaption; // the Open button's caption (plain text, not escaped)
    std::string format;      // the header's format field as "&H01"
    long long seconds = 0;   // length, whole seconds; the position slider's maximum
};

// What the transport tells the window.
class TransportListener {
public:
    virtual ~TransportListener() = default;
    // The commands' states changed.
    virtual void controlsChanged(const TransportControls &controls) = 0;
    // A song was loaded, replaced or lost: caption, format, length; position back to 0.
    virtual void songChanged(const SongInfo &song) = 0;
    // The lyric page must be emptied.
    virtual void lyricsCleared() = 0;
    // An engine call failed: the message and the engine's error code.
    virtual void engineFailed(const std::string &message, int code) = 0;
    // The live settings changed on the transport's side (Play sets the font volume).
    virtual void liveChanged(const LiveSettings &live) = 0;
    // The main SoundFont at `path` could not be loaded.
    virtual void soundFontMissing(const std::string &path) = 0;
    // Re-read the settings file into the SoundFont fields (before the main font is loaded).
    virtual void reloadSettings() = 0;
    // Delete the work files of the conversion.
    virtual void deleteWorkFiles() = 0;
    // A fixed pause: run `then` after `ms` milliseconds without blocking input.
    virtual void after(int ms, std::function<void()> then) = 0;
    // ENGINE THREAD: a lyric mark of the song stream was reached. Post it on.
    virtual void markReached(const lyrics::MarkReached &mark) = 0;
    // ENGINE THREAD: a mark registered for the lyric capture was reached. Post it on.
    virtual void captureReached(const lyrics::MarkReached &) {}
    // ENGINE THREAD: the song stream ended and was released. Post it, then
    // call Transport::songEnded on the UI thread.
    virtual void streamEnded(HSTREAM stream) = 0;
    // ReadFile at the first Play: the channel records now hold the song's
    // starting values; the strips take them.
    virtual void channelsScanned(const ChannelRecords &) {}
};

class Transport {
public:
    // The Open button's caption before a song and after a failed Open.
    static constexpr const char *kOpenCaption = "Open MidiFile";
    static constexpr const char *kCannotOpenCaption = "click here to open a file & play it...";

    explicit Transport(TransportListener &listener);
    ~Transport();
    Transport(const Transport &) = delete;
    Transport &operator=(const Transport &) = delete;

    // The main SoundFont used when the settings name none.
    void setDefaultFont(std::string path) { defaultFont_ = std::move(path); }
    // Loads the main SoundFont (settings, else the default) for new streams and the song.
    void fontGeneral();

    // Open, first half: the resets before the chooser. False when the output
    // could not be reopened (reported; the program must end).
    bool beginOpen();
    // Open cancelled at the chooser: Play and Stop become unavailable.
    void openCancelled();
    // Open, second half: loads `path` (the previous song is released first).
    // False when it cannot be played (reported; no song is left loaded).
    bool open(const std::string &path);
    // Play or resume; after Stop, rebuilds the stream. False when the output
    // could not be reopened (reported; the program must end).
    bool play();
    void pause();
    void stop();
    // Rebuilds the stream for a replay after Stop and plays it; the window
    // settles after the fixed two-second pause.
    void Modify();
    // The LRC creator with a save dialog leaves no song behind: the stream is
    // released and the song must be opened again.
    void closeSong();
    // Jumps to `seconds` and puts the live settings back on the song.
    void seek(int seconds);
    // The song stream ended (posted from the engine): the window returns to
    // its state after Stop. Reports of a stream since replaced are ignored.
    void songEnded(HSTREAM stream);

    // Live settings: change `live()` then apply, or use the helpers.
    LiveSettings &live() { return live_; }
    void applyLive();
    // The SoundFont volume slider (0-1); sent even when unchanged (fonts may be new).
    void setFontVolume(float volume);
    // A drum kit chosen from the list (its list position) for `channel`: the
    // channel plays that kit's preset number.
    void chooseDrumKit(int channel, int row);
    // After the SoundFonts changed: hands the channel font list to the song and re-applies the volume.
    void applyChannelFonts();

    // The display timer's texts: beats per minute ("" when unknown), the
    // position in whole seconds, the SoundFont label.
    std::string bpm() const;
    long long positionSeconds() const;
    std::string soundFontLabel() const;
    // What the song stream is doing: BASS_ACTIVE_STOPPED, _PLAYING or _PAUSED.
    DWORD activity() const;

    // Whether the MP3K box is ticked (capture instead of the page on replay).
    bool captureLyrics = false;
    // MP3K ticked or cleared: the song's stream captures its lyric marks from
    // now on (as if ticked before Open), or no more (the page follows them again).
    void setCaptureLyrics(bool on);
    // Whether CkPg is ticked: a replay leaves the user's volumes and
    // instruments off the rebuilt stream (the song's own play), each until
    // the user changes it again; mute and solo still hold.
    bool lockProgramsAndVolumes = false;

    const Song &song() const { return song_; }
    Song &song() { return song_; }
    const TransportFlags &flags() const { return flags_; }
    const TransportControls &controls() const { return controls_; }
    // What the song stream holds of the live settings.
    const LiveApplied &applied() const { return applied_; }
    SoundFonts &fonts() { return fonts_; }
    ChannelRecords &channels() { return channels_; }
    // Where the song's lyrics come from, as chosen when its stream was made.
    lyrics::MarkSource markSource() const { return markSource_; }
    // True while a replay waits for its two-second pause to end.
    bool settling() const { return settling_; }
    // A main SoundFont is loaded: without one nothing can sound.
    bool hasSoundFont() const { return fonts_.mainFont != 0; }
    // The channel records hold the open song's starting values (the first
    // Play reads them after a second; a conversion before any Play reads
    // them at once). The strips are told.
    void scanChannels();

private:
    void report() { listener_.controlsChanged(controls_); }
    void releaseSong();
    void listenTo(HSTREAM stream);
    void registerSyncs(HSTREAM stream, bool atOpen);
    void stopState();
    long long lengthSeconds() const;
    // A user value kept off the stream by a locked replay while it stays as it was.
    struct Withheld {
        std::optional<int> value;
        bool on = false;
    };
    static std::optional<int> withhold(Withheld &held, const std::optional<int> &current);
    void releaseWithheld(bool programs, bool volumes);

    TransportListener &listener_;
    Song song_;
    TransportFlags flags_;
    TransportControls controls_;
    SoundFonts fonts_;
    ChannelRecords channels_{};
    LiveSettings live_;
    LiveApplied applied_;
    SongInfo info_;
    lyrics::StreamSubscription lyrics_;
    std::string defaultFont_;
    std::string missingFontReported_;
    std::uint64_t replayGeneration_ = 0;
    bool settling_ = false;
    bool scanned_ = false; // the channel records belong to the open song
    lyrics::MarkSource markSource_ = lyrics::MarkSource::None;
    // The lyric syncs on the song's stream: the page's and the capture's (0: none).
    HSYNC pageSync_ = 0, captureSync_ = 0;
    std::array<Withheld, 16> heldVolume_{}, heldProgram_{};
    Withheld heldDrumKit_;
};

} // namespace cantora::player
