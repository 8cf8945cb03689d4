#include "player/livesettings.h"

#include "player/soundfonts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace cantora::player {

namespace {

constexpr std::uint32_t kMaxTempo = 16777215; // 24 bits: MIDI's largest tempo

// One event to the stream, counted.
void send(HSTREAM stream, int channel, DWORD event, DWORD param, LiveApplied &applied) {
    BASS_MIDI_StreamEvent(stream, static_cast<DWORD>(channel), event, param);
    ++applied.eventsSent;
}

// Sends a controller-like value when it differs from what the stream holds from us.
void sendIfChanged(HSTREAM stream, int channel, DWORD event, const std::optional<int> &want, std::optional<int> &sent,
                   LiveApplied &applied) {
    if (!want || sent == want)
        return;
    send(stream, channel, event, static_cast<DWORD>(*want), applied);
    sent = want;
}

// A controller the engine holds once sent: sends a new value, or gives the
// channel back to the song when the user's value is gone.
void sendHeld(HSTREAM stream, int channel, DWORD event, const std::optional<int> &want, std::optional<int> &sent,
              LiveApplied &applied) {
    if (want) {
        sendIfChanged(stream, channel, event, want, sent, applied);
    } else if (sent) {
        audio::releaseController(stream, static_cast<DWORD>(channel), event);
        ++applied.eventsSent;
        sent.reset();
    }
}

// The equaliser and the compressor: created when switched on, removed when
// off, and their parameters written only when they differ.
void applyEffects(HSTREAM stream, const LiveSettings &wanted, LiveApplied &applied) {
    if (wanted.equalizer) {
        if (!applied.equalizer) {
            applied.equalizer = BASS_ChannelSetFX(stream, BASS_FX_BFX_PEAKEQ, 0);
            applied.eqGains.reset();
        }
        for (std::size_t b = 0; applied.equalizer && b < wanted.eqGains.size(); ++b) {
            if (applied.eqGains && (*applied.eqGains)[b] == wanted.eqGains[b])
                continue;
            const BASS_BFX_PEAKEQ band{static_cast<int>(b),         LiveSettings::kEqBandwidth, LiveSettings::kEqQ,
                                       LiveSettings::kEqCentres[b], wanted.eqGains[b],          BASS_BFX_CHANALL};
            BASS_FXSetParameters(applied.equalizer, &band);
        }
        if (applied.equalizer)
            applied.eqGains = wanted.eqGains;
    } else if (applied.equalizer) {
        BASS_ChannelRemoveFX(stream, applied.equalizer);
        applied.equalizer = 0;
        applied.eqGains.reset();
    }

    if (wanted.compressor) {
        if (!applied.compressor) {
            applied.compressor = BASS_ChannelSetFX(stream, BASS_FX_BFX_COMPRESSOR2, 1);
            applied.compressorGain.reset();
        }
        if (applied.compressor && applied.compressorGain != wanted.compressorGain) {
            const BASS_BFX_COMPRESSOR2 c{wanted.compressorGain,      LiveSettings::kCompThreshold,
                                         LiveSettings::kCompRatio,   LiveSettings::kCompAttack,
                                         LiveSettings::kCompRelease, BASS_BFX_CHANALL};
            BASS_FXSetParameters(applied.compressor, &c);
            applied.compressorGain = wanted.compressorGain;
        }
    } else if (applied.compressor) {
        BASS_ChannelRemoveFX(stream, applied.compressor);
        applied.compressor = 0;
        applied.compressorGain.reset();
    }
}

} // namespace

int LiveSettings::transposeOf(int channel) const {
    if (channel == kDrumChannel)
        return 0;
    const ChannelLive &c = channels[static_cast<std::size_t>(channel)];
    return c.keyOverridden ? key : key + c.key;
}

bool LiveSettings::audible(int channel) const {
    const ChannelLive &c = channels[static_cast<std::size_t>(channel)];
    if (c.mute)
        return false;
    bool anySolo = std::any_of(channels.begin(), channels.end(), [](const ChannelLive &x) { return x.solo; });
    return !anySolo || c.solo;
}

void LiveApplied::afterSeek() {
    // Held programs and controllers survive a seek in the engine; the tempo does not.
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
        sendHeld(stream, c, MIDI_EVENT_PROGRAM, program, applied.program[i], applied);
        sendHeld(stream, c, MIDI_EVENT_PAN, ch.pan, applied.pan[i], applied);
        sendHeld(stream, c, MIDI_EVENT_CHORUS, ch.chorus, applied.chorus[i], applied);
        sendHeld(stream, c, MIDI_EVENT_REVERB, ch.reverb, applied.reverb[i], applied);

        // Mute and solo hold the channel at volume 0; audible again, it
        // takes the user's fader or goes back to following the song.
        const std::optional<int> volume = wanted.audible(c) ? ch.volume : std::optional<int>(0);
        sendHeld(stream, c, MIDI_EVENT_VOLUME, volume, applied.volume[i], applied);
    }

    applyEffects(stream, wanted, applied);

    if (fonts && wanted.fontVolume && applied.fontVolume != wanted.fontVolume) {
        fonts->applyVolume(*wanted.fontVolume);
        applied.fontVolume = wanted.fontVolume;
    }
}

struct LiveBlockHook::State {
    LiveSettings settings;
    LiveApplied applied;
};

LiveBlockHook::LiveBlockHook(LiveSettings settings) : state_(std::make_shared<State>()) {
    state_->settings = std::move(settings);
}

namespace {
// Mix time, at each of the song's own tempo events: the factor goes on the
// new tempo at once, not only from the next block.
void scaleSongTempo(HSYNC, DWORD stream, DWORD, void *user) {
    const float factor = *static_cast<const float *>(user);
    const std::uint32_t own = audio::songTempo(stream);
    if (own != 0)
        BASS_MIDI_StreamEvent(stream, 0, MIDI_EVENT_TEMPO, scaledTempo(own, factor));
}
} // namespace

bool LiveBlockHook::operator()(HSTREAM stream, std::int64_t position) {
    if (position < 0 && state_->settings.tempoFactor != 1.0f)
        BASS_ChannelSetSync(stream, BASS_SYNC_MIDI_EVENT | BASS_SYNC_MIXTIME, MIDI_EVENT_TEMPO, scaleSongTempo,
                            &state_->settings.tempoFactor);
    applyLiveSettings(stream, state_->settings, state_->applied, audio::songTempo(stream));
    // The font volume goes on the fonts this stream plays, once.
    const auto &volume = state_->settings.fontVolume;
    if (volume && state_->applied.fontVolume != volume) {
        const DWORD n = BASS_MIDI_StreamGetFonts(stream, nullptr, 0);
        if (n != DWORD(-1) && n > 0) {
            std::vector<BASS_MIDI_FONT> fonts(n);
            BASS_MIDI_StreamGetFonts(stream, fonts.data(), n);
            for (const auto &f : fonts)
                BASS_MIDI_FontSetVolume(f.font, *volume);
        }
        state_->applied.fontVolume = volume;
    }
    return true;
}

} // namespace cantora::player
