#include "player/transport.h"

#include "player/channelscan.h"

#include "core/textcodec.h"
#include "lyrics/capture.h"
#include "player/engine.h"

#include <fstream>

namespace cantora::player {

namespace {

std::string fileNameOf(const std::string &path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The header's first ten bytes: only the format field is shown.
std::string formatOf(const std::string &path, std::uint8_t &format) {
    std::string head(10, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(head.data(), 10);
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.size() >= 10)
        format = static_cast<std::uint8_t>(head[9]);
    return TipoFile(head);
}

// The engine takes UTF-16 file names; ours are UTF-8 (bytes that are not
// are read as CP1252 first).
std::u16string utf16Of(const std::string &path) {
    const std::string utf8 = core::toUtf8(path);
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = len == 1 ? c : c & (0x7F >> len);
        for (std::size_t k = 1; k < len && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

} // namespace

Transport::Transport(TransportListener &listener) : listener_(listener) { info_.openCaption = kOpenCaption; }

Transport::~Transport() {
    // The tempo callbacks point into this transport's song state.
    lyrics_.reset();
    if (song_.handle)
        BASS_StreamFree(song_.handle);
}

void Transport::fontGeneral() {
    listener_.reloadSettings();
    fonts_.fontGeneral(defaultFont_, song_.handle);
    if (fonts_.mainFont != 0) {
        missingFontReported_.clear();
    } else if (missingFontReported_ != fonts_.mainFontPath) {
        // Said once per file: every Open reloads the font.
        missingFontReported_ = fonts_.mainFontPath;
        listener_.soundFontMissing(fonts_.mainFontPath);
    }
}

void Transport::scanChannels() {
    if (scanned_ || song_.path.empty())
        return;
    scanned_ = true;
    scanChannelsOfFile(song_.path, channels_);
    listener_.channelsScanned(channels_);
}

void Transport::releaseSong() {
    scanned_ = false;
    lyrics_.reset();
    if (song_.handle)
        BASS_StreamFree(song_.handle);
}

bool Transport::beginOpen() {
    fonts_.count = 0;
    fonts_.clearChannelFonts();
    live_ = LiveSettings{};
    releaseWithheld(true, true);
    // A channel scan or a replay still waiting belongs to the song going away.
    ++replayGeneration_;
    song_.tempo.tempoFactor = 1.0f;
    flags_.rebuildOnPlay = false;
    controls_.capture = true;
    flags_.started = false;
    flags_.stopped = false;
    listener_.deleteWorkFiles();
    resetChannelRecords(channels_);
    if (flags_.paused) {
        flags_.paused = false;
        // The stream goes with the output; the song is opened again below.
        lyrics_.reset();
        releaseOutput();
        if (!reopenOutput()) {
            listener_.engineFailed("Can't initialize device", engineErrorCode());
            return false;
        }
    }
    controls_.convert = false;
    controls_.replaceFont = true;
    controls_.displayTimer = true;
    report();
    return true;
}

void Transport::openCancelled() {
    controls_.play = false;
    controls_.stop = false;
    report();
}

bool Transport::open(const std::string &path) {
    // Only one song lives at a time: the previous one is released first.
    releaseSong();
    song_.path = path;
    const std::u16string wide = utf16Of(path);
    song_.handle = BASS_MIDI_StreamCreateFile(0, wide.c_str(), 0, 0, BASS_UNICODE | BASS_MIDI_DECAYEND, 44100);
    if (song_.handle == 0) {
        const int code = engineErrorCode();
        // Nothing is left loaded: no time, no format, nothing to play.
        info_ = SongInfo{kCannotOpenCaption, {}, 0};
        song_.format = 0;
        controls_.play = false;
        controls_.stop = false;
        controls_.pause = false;
        controls_.lrcCreator = false;
        listener_.songChanged(info_);
        listener_.lyricsCleared();
        report();
        listener_.engineFailed("Can't play the file", code);
        return false;
    }
    applied_ = LiveApplied{};
    info_.openCaption = fileNameOf(path);
    info_.format = formatOf(path, song_.format);

    fontGeneral();
    controls_.lrcCreator = true;
    info_.seconds = lengthSeconds();
    listener_.songChanged(info_);

    listener_.lyricsCleared();
    registerSyncs(song_.handle, true);
    controls_.play = true;
    // Wave and MP3 work from the moment a song is open; a conversion before
    // any Play reads the channels itself.
    controls_.convert = true;
    report();

    ApplyTempo(song_.handle, song_.tempo, true);
    registerTempoSyncs(song_.handle, song_.tempo);
    return true;
}

long long Transport::lengthSeconds() const {
    long long secs = roundedSeconds(song_.handle, BASS_ChannelGetLength(song_.handle, BASS_POS_BYTE));
    return secs < 0 ? 0 : secs;
}

void Transport::listenTo(HSTREAM stream) {
    lyrics::StreamListeners l;
    l.onMark = [this](const lyrics::MarkReached &m) { listener_.markReached(m); };
    l.onCapture = [this](const lyrics::MarkReached &m) { listener_.captureReached(m); };
    l.onEnd = [this](HSTREAM s) { listener_.streamEnded(s); };
    lyrics_ = lyrics::StreamSubscription(stream, std::move(l));
}

void Transport::registerSyncs(HSTREAM stream, bool atOpen) {
    listenTo(stream);
    const lyrics::MarkSource source = markSource_ = lyrics::markSourceOf(stream);
    pageSync_ = captureSync_ = 0;
    lyrics::registerEndSync(stream);
    if (atOpen) {
        pageSync_ = lyrics::registerLyricSync(stream, source);
        if (captureLyrics)
            captureSync_ = lyrics::registerLyricCapture(stream, lyrics::MarkSource::Lyric, 0);
        return;
    }
    // A rebuilt stream gets either the page or the capture, and the end twice.
    if (!captureLyrics)
        pageSync_ = lyrics::registerLyricSync(stream, source);
    else if (source != lyrics::MarkSource::None)
        captureSync_ = lyrics::registerLyricCapture(stream, source, static_cast<DWORD>(source));
    lyrics::registerEndSync(stream);
}

void Transport::setCaptureLyrics(bool on) {
    captureLyrics = on;
    if (song_.handle == 0 || lyrics_.stream() != song_.handle || on == (captureSync_ != 0))
        return;
    if (on) {
        captureSync_ = lyrics::registerLyricCapture(song_.handle, lyrics::MarkSource::Lyric, 0);
        return;
    }
    BASS_ChannelRemoveSync(song_.handle, captureSync_);
    captureSync_ = 0;
    // A rebuilt stream that only captured shows the page again.
    if (pageSync_ == 0)
        pageSync_ = lyrics::registerLyricSync(song_.handle, markSource_);
}

bool Transport::play() {
    flags_.started = true;
    controls_.lrcCreator = false;
    if (!flags_.stopped) {
        BASS_ChannelPlay(song_.handle, 0);
        live_.fontVolume = 0.5f;
        applied_.fontVolume.reset();
        applyLive();
        listener_.liveChanged(live_);
    }
    // A resume from Pause: the stream plays again and nothing else changes.
    if (flags_.paused) {
        report();
        return true;
    }
    if (!flags_.stopped)
        controls_.pause = true;
    // A conversion waits for the song to stop.
    controls_.convert = false;
    controls_.stop = true;
    controls_.play = false;
    controls_.open = false;
    if (!flags_.rebuildOnPlay) {
        // ReadFile: after a second's pause the strips start from the song's own values.
        report();
        const std::uint64_t generation = replayGeneration_;
        const HSTREAM handle = song_.handle;
        listener_.after(1000, [this, generation, handle] {
            // A Stop, an Open or the end of the song in the meantime wins.
            if (generation != replayGeneration_ || handle != song_.handle)
                return;
            scanChannels();
        });
        return true;
    }
    report();
    lyrics_.reset();
    releaseOutput();
    if (!reopenOutput()) {
        listener_.engineFailed("Can't initialize device", engineErrorCode());
        return false;
    }
    Modify();
    return true;
}

void Transport::pause() {
    flags_.paused = true;
    BASS_ChannelPause(song_.handle);
    controls_.play = true;
    report();
}

void Transport::stopState() {
    controls_.lrcCreator = false;
    flags_.paused = false;
    flags_.started = false;
    flags_.stopped = true;
    controls_.options = true;
    flags_.rebuildOnPlay = true;
    settling_ = false;
    ++replayGeneration_;
    controls_.convert = true;
    controls_.open = true;
    controls_.play = true;
    controls_.stop = false;
    controls_.pause = false;
    controls_.replaceFont = false;
    report();
}

void Transport::stop() {
    releaseSong();
    stopState();
}

void Transport::songEnded(HSTREAM stream) {
    if (stream == 0 || stream != song_.handle)
        return;
    listener_.lyricsCleared();
    // The engine has released the stream; the window is left as Stop leaves it.
    lyrics_.reset();
    stopState();
}

void Transport::Modify() {
    controls_.displayTimer = true;
    const std::u16string wide = utf16Of(song_.path);
    song_.handle = BASS_MIDI_StreamCreateFile(0, wide.c_str(), 0, 0, BASS_UNICODE | BASS_STREAM_AUTOFREE, 0);
    // A fresh stream: the equaliser and the compressor are made on it again.
    applied_ = LiveApplied{};
    // The rebuilt stream gets the global key alone; a channel key counts
    // again when its slider moves.
    for (auto &c : live_.channels)
        c.keyOverridden = true;
    for (std::size_t c = 0; c < 16; ++c) {
        heldVolume_[c] = {live_.channels[c].volume, lockProgramsAndVolumes};
        heldProgram_[c] = {live_.channels[c].program, lockProgramsAndVolumes};
    }
    heldDrumKit_ = {live_.drumKit, lockProgramsAndVolumes};
    // Listen and put the settings on before the first sample is heard.
    listener_.lyricsCleared();
    registerSyncs(song_.handle, false);
    ApplyTempo(song_.handle, song_.tempo, true);
    registerTempoSyncs(song_.handle, song_.tempo);
    applyLive();
    BASS_ChannelPlay(song_.handle, 0);
    controls_.replaceFont = false;
    settling_ = true;
    report();

    const std::uint64_t generation = ++replayGeneration_;
    const HSTREAM handle = song_.handle;
    listener_.after(2000, [this, generation, handle] {
        // A Stop, an Open or the end of the song in the meantime wins.
        if (generation != replayGeneration_ || handle != song_.handle)
            return;
        settling_ = false;
        info_.seconds = lengthSeconds();
        listener_.songChanged(info_);
        // Playing again: Pause and the resume path work as after a first Play.
        flags_.stopped = false;
        controls_.pause = true;
        report();
    });
}

void Transport::closeSong() {
    releaseSong();
    song_.handle = 0;
    ++replayGeneration_;
    settling_ = false;
    info_ = SongInfo{"Open Midifile", {}, 0};
    listener_.songChanged(info_);
    listener_.lyricsCleared();
}

void Transport::seek(int seconds) {
    QWORD pos = BASS_ChannelSeconds2Bytes(song_.handle, seconds);
    BASS_ChannelSetPosition(song_.handle, pos, BASS_POS_BYTE);
    // The jump chased the song's own tempo back: the factor goes on again.
    applied_.afterSeek();
    // A jump puts every channel's instrument back, locked or not.
    releaseWithheld(true, false);
    applyLive();
    listener_.lyricsCleared();
    controls_.displayTimer = true;
    report();
}

std::optional<int> Transport::withhold(Withheld &held, const std::optional<int> &current) {
    if (held.on && held.value == current)
        return std::nullopt;
    held.on = false;
    return current;
}

void Transport::releaseWithheld(bool programs, bool volumes) {
    for (std::size_t c = 0; c < 16; ++c) {
        heldProgram_[c].on = heldProgram_[c].on && !programs;
        heldVolume_[c].on = heldVolume_[c].on && !volumes;
    }
    heldDrumKit_.on = heldDrumKit_.on && !programs;
}

void Transport::applyLive() {
    song_.tempo.tempoFactor = live_.tempoFactor;
    const auto songTempo = static_cast<std::uint32_t>(song_.tempo.tempo.load());
    LiveSettings sent = live_;
    for (std::size_t c = 0; c < 16; ++c) {
        sent.channels[c].volume = withhold(heldVolume_[c], live_.channels[c].volume);
        sent.channels[c].program = withhold(heldProgram_[c], live_.channels[c].program);
    }
    sent.drumKit = withhold(heldDrumKit_, live_.drumKit);
    applyLiveSettings(song_.handle, sent, applied_, songTempo, &fonts_);
}

void Transport::setFontVolume(float volume) {
    live_.fontVolume = volume;
    applied_.fontVolume.reset();
    applyLive();
}

void Transport::chooseDrumKit(int channel, int row) {
    if (row < 0 || channel < 0 || channel > 15)
        return;
    // The kit plays by its own preset number, not its place in the list.
    fonts_.Drum(); // the kit list, built when stale
    const auto &presets = fonts_.drumPresets;
    const int preset = static_cast<std::size_t>(row) < presets.size() ? presets[static_cast<std::size_t>(row)] : row;
    if (channel == LiveSettings::kDrumChannel)
        live_.drumKit = preset;
    else
        live_.channels[static_cast<std::size_t>(channel)].program = preset;
    applyLive();
}

void Transport::applyChannelFonts() {
    fonts_.applyChannelFonts(song_.handle);
    applied_.fontVolume.reset();
    applyLive();
}

std::string Transport::bpm() const {
    if (song_.handle == 0)
        return {};
    return bpmText(song_.tempo.tempo, song_.tempo.tempoFactor);
}

long long Transport::positionSeconds() const {
    // Without a stream (none opened yet, or the song has ended and freed
    // it) the position reads as the start of the song.
    long long secs = roundedSeconds(song_.handle, BASS_ChannelGetPosition(song_.handle, BASS_POS_BYTE));
    return secs < 0 ? 0 : secs;
}

DWORD Transport::activity() const { return BASS_ChannelIsActive(song_.handle); }

std::string Transport::soundFontLabel() const {
    std::string name;
    return fonts_.mainFontName(name) ? "SoundFont: " + core::toUtf8(name) : std::string("no soundfont");
}

} // namespace cantora::player
