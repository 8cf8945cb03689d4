#include "player/livesettings.h"

#include "audio/midifile.h"
#include "audio/tempomap.h"
#include "player/soundfonts.h"

#include <algorithm>
#include <cmath>

namespace cantora::player {

namespace {

constexpr std::uint32_t kMaxTempo = 16777215;   // 24 bits: MIDI's largest tempo

// One event to the stream, counted.
void send(HSTREAM stream, int channel, DWORD event, DWORD param, LiveApplied &applied) {
    BASS_MIDI_StreamEvent(stream, static_cast<DWORD>(channel), event, param);
    ++applied.eventsSent;
}

// Sends a controller-like value when it differs from what the stream holds from us.
void sendIfChanged(HSTREAM stream, int channel, DWORD event, const std::optional<int> &want,
                   std::optional<int> &sent, LiveApplied &applied) {
    if (!want || sent == want)
        return;
    send(stream, channel, event, static_cast<DWORD>(*want), applied);
    sent = want;
}

} // namespace

int LiveSettings::transposeOf(int channel) const {
    if (channel == kDrumChannel)
        return 0;
    return key + channels[static_cast<std::size_t>(channel)].key;
}

bool LiveSettings::audible(int channel) const {
    const ChannelLive &c = channels[static_cast<std::size_t>(channel)];
    if (c.mute)
        return false;
    bool anySolo = std::any_of(channels.begin(), channels.end(), [](const ChannelLive &x) { return x.solo; });
    return !anySolo || c.solo;
}

void LiveApplied::afterSeek() {
    for (auto *list : {&program, &volume, &pan, &chorus, &reverb})
        list->fill(std::nullopt);
    silencedFrom.fill(std::nullopt);
    tempoSent = 0;
}

std::uint32_t scaledTempo(std::uint32_t songTempo, float factor) {
    double v = std::round(static_cast<double>(songTempo) * static_cast<double>(factor));
    if (!(v >= 1.0))
        return 1;
    return v > kMaxTempo ? kMaxTempo : static_cast<std::uint32_t>(v);
}

void applyLiveSettings(HSTREAM stream, const LiveSettings &wanted, LiveApplied &applied, std::uint32_t songTempo,
                       SoundFonts *fonts) {
    applied.eventsSent = 0;
    // Tempo: always the song's own value scaled, so re-applying never compounds.
    if (songTempo != 0) {
        if (wanted.tempoFactor != 1.0f) {
            std::uint32_t t = scaledTempo(songTempo, wanted.tempoFactor);
            send(stream, 0, MIDI_EVENT_TEMPO, t, applied);
            applied.tempoSent = t;
        } else if (applied.tempoSent != 0) {
            // Back to the song's own tempo after a factor was in force.
            send(stream, 0, MIDI_EVENT_TEMPO, songTempo, applied);
            applied.tempoSent = 0;
        }
    }

    for (int c = 0; c < 16; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const ChannelLive &ch = wanted.channels[i];

        // A transpose already in force is not sent again: the engine would
        // treat it as a key change.
        int semis = wanted.transposeOf(c);
        if (applied.transpose[i] != semis) {
            send(stream, c, MIDI_EVENT_TRANSPOSE, static_cast<DWORD>(100 + semis), applied);
            applied.transpose[i] = semis;
        }

        std::optional<int> program = ch.program;
        if (c == LiveSettings::kDrumChannel && wanted.drumKit)
            program = wanted.drumKit;
        sendIfChanged(stream, c, MIDI_EVENT_PROGRAM, program, applied.program[i], applied);
        sendIfChanged(stream, c, MIDI_EVENT_PAN, ch.pan, applied.pan[i], applied);
        sendIfChanged(stream, c, MIDI_EVENT_CHORUS, ch.chorus, applied.chorus[i], applied);
        sendIfChanged(stream, c, MIDI_EVENT_REVERB, ch.reverb, applied.reverb[i], applied);

        if (!wanted.audible(c)) {
            // Muted: hold the channel at volume 0, whatever the song sends.
            DWORD now = BASS_MIDI_StreamGetEvent(stream, static_cast<DWORD>(c), MIDI_EVENT_VOLUME);
            if (now != 0 && now != static_cast<DWORD>(-1)) {
                // The song's latest own volume is what comes back after.
                applied.silencedFrom[i] = static_cast<int>(now);
                send(stream, c, MIDI_EVENT_VOLUME, 0, applied);
            }
            applied.volume[i] = 0;
            continue;
        }
        if (applied.silencedFrom[i]) {
            // Audible again: the user's volume, else the one the mute replaced.
            int back = ch.volume.value_or(*applied.silencedFrom[i]);
            send(stream, c, MIDI_EVENT_VOLUME, static_cast<DWORD>(back), applied);
            applied.volume[i] = back;
            applied.silencedFrom[i].reset();
            continue;
        }
        if (applied.volume[i] == 0 && !ch.volume)
            applied.volume[i].reset();
        sendIfChanged(stream, c, MIDI_EVENT_VOLUME, ch.volume, applied.volume[i], applied);
    }

    if (fonts && wanted.fontVolume && applied.fontVolume != wanted.fontVolume) {
        fonts->applyVolume(*wanted.fontVolume);
        applied.fontVolume = wanted.fontVolume;
    }
}

struct LiveBlockHook::State {
    LiveSettings settings;
    LiveApplied applied;
    std::unique_ptr<audio::TempoMap> tempo;
};

LiveBlockHook::LiveBlockHook(LiveSettings settings, const std::string &songBytes)
    : state_(std::make_shared<State>()) {
    state_->settings = std::move(settings);
    audio::MidiReadResult r = audio::readMidi(songBytes);
    std::vector<std::pair<std::uint64_t, std::uint32_t>> changes;
    for (const auto &track : r.file.tracks)
        for (const auto &e : track.events)
            if (e.isMeta() && e.metaType == 0x51 && e.data.size() == 3)
                changes.emplace_back(e.tick, (std::uint32_t(std::uint8_t(e.data[0])) << 16) |
                                                 (std::uint32_t(std::uint8_t(e.data[1])) << 8) |
                                                 std::uint8_t(e.data[2]));
    state_->tempo = std::make_unique<audio::TempoMap>(r.file.division, std::move(changes), 44100.0);
}

std::uint32_t LiveBlockHook::songTempoAt(double tick) const { return state_->tempo->tempoAt(tick); }

bool LiveBlockHook::operator()(HSTREAM stream, std::int64_t position) {
    QWORD tick = position < 0 ? 0 : BASS_ChannelGetPosition(stream, BASS_POS_MIDI_TICK);
    if (tick == static_cast<QWORD>(-1))
        tick = 0;
    applyLiveSettings(stream, state_->settings, state_->applied, songTempoAt(static_cast<double>(tick)));
    return true;
}

} // namespace cantora::player
