#include "audio/stream.h"

#include <algorithm>
#include <cmath>

namespace cantora::audio {

namespace {
// Below -80 dB for 100 ms after the last event, the sound has decayed; the
// wait is capped at 5 s for sounds that never die away (a held organ).
constexpr float kQuietLevel = 1e-4f;
constexpr double kQuietSeconds = 0.1;
constexpr double kMaxDecaySeconds = 5.0;
} // namespace

Stream::Stream(HSTREAM h, DWORD f, double r, const MidiFile &file, std::string p)
    : handle(h), flags(f), rate(r), path(std::move(p)), seq(file, r), voice(r, (f & BASS_STREAM_DECODE) != 0) {}

std::size_t Stream::renderFloat(float *out, std::size_t frames) {
    if (ended || freed)
        return 0;
    const bool decayEnd = flags & BASS_MIDI_DECAYEND;
    std::size_t done = 0;
    blockDone_ = 0;
    while (done < frames && !ended && !freed) {
        blockStart_ = seq.renderedFrame();
        blockDone_ = done;
        std::size_t n = seq.render(out + 2 * done, frames - done, voice, this, !decayEnd);
        if (freed)
            break;
        if (seq.pastLastEvent()) {
            if (!decayEnd) {
                if (n < frames - done)
                    ended = true;
            } else {
                // Only frames after the last event count towards the decay;
                // in the block where it fell, count from its end.
                const std::uint64_t endAt = seq.lastEventFrame();
                const std::size_t from =
                    endAt > blockStart_ ? static_cast<std::size_t>(std::min<std::uint64_t>(endAt - blockStart_, n)) : 0;
                const std::uint64_t quietNeeded = static_cast<std::uint64_t>(kQuietSeconds * rate);
                const std::uint64_t maxDecay = static_cast<std::uint64_t>(kMaxDecaySeconds * rate);
                for (std::size_t i = from; i < n; ++i) {
                    const float *fr = out + 2 * (done + i);
                    const float peak = std::max(std::fabs(fr[0]), std::fabs(fr[1]));
                    quietFrames_ = peak < kQuietLevel ? quietFrames_ + 1 : 0;
                    ++pastEndFrames_;
                    if (quietFrames_ >= quietNeeded || pastEndFrames_ >= maxDecay) {
                        n = i + 1;
                        ended = true;
                        break;
                    }
                }
            }
        }
        if (n == 0 && !ended)
            break; // aborted: a sync freed or moved the stream
        done += n;
    }
    if (done > 0) {
        for (auto &slot : effects_)
            slot.effect->process(out, done);
    }
    if (ended)
        fire(BASS_SYNC_END, 0, 0);
    return done;
}

void Stream::seek(std::uint64_t frame) {
    seq.seekFrame(frame, voice);
    ended = false;
    quietFrames_ = pastEndFrames_ = 0;
    blockStart_ = seq.renderedFrame();
    blockDone_ = 0;
    fire(BASS_SYNC_SETPOS, 0, 0);
}

void Stream::onTempoEvent(std::uint32_t usPerQuarter) { fire(BASS_SYNC_MIDI_EVENT, MIDI_EVENT_TEMPO, usPerQuarter); }

void Stream::onMark(MarkKind kind, std::uint32_t index) {
    fire(kind == MarkKind::Lyric ? BASS_SYNC_MIDI_LYRIC : BASS_SYNC_MIDI_TEXT, 0, index);
    fire(BASS_SYNC_MIDI_MARK, kind == MarkKind::Lyric ? BASS_MIDI_MARK_LYRIC : BASS_MIDI_MARK_TEXT, index);
}

void Stream::fire(DWORD type, QWORD param, DWORD data) {
    // By index, as a callback may add or remove syncs of this stream.
    for (std::size_t i = 0; i < syncs_.size() && !freed; ++i) {
        const Sync s = syncs_[i];
        if (s.type != type)
            continue;
        if ((type == BASS_SYNC_MIDI_EVENT || type == BASS_SYNC_MIDI_MARK) && s.param != param)
            continue;
        if (s.mixtime || isDecode()) {
            s.proc(s.id, handle, data, s.user);
        } else {
            const std::uint64_t now = seq.renderedFrame();
            const std::size_t offset = blockDone_ + static_cast<std::size_t>(now > blockStart_ ? now - blockStart_ : 0);
            pending.push_back({{s.proc, s.id, handle, data, s.user, type == BASS_SYNC_END}, offset});
        }
    }
}

HSYNC Stream::addSync(HSYNC id, DWORD type, QWORD param, SYNCPROC proc, void *user) {
    syncs_.push_back({id, type & ~BASS_SYNC_MIXTIME, param, proc, user, (type & BASS_SYNC_MIXTIME) != 0});
    return id;
}

bool Stream::removeSync(HSYNC id) {
    auto it = std::find_if(syncs_.begin(), syncs_.end(), [&](const Sync &s) { return s.id == id; });
    if (it == syncs_.end())
        return false;
    syncs_.erase(it);
    return true;
}

HFX Stream::addEffect(HFX id, DWORD type, int priority) {
    std::unique_ptr<Effect> e;
    if (type == BASS_FX_BFX_PEAKEQ)
        e = std::make_unique<PeakEq>(rate);
    else if (type == BASS_FX_BFX_COMPRESSOR2)
        e = std::make_unique<Compressor>(rate);
    else
        return 0;
    // Higher priority runs first; equal priorities keep the order they came in.
    auto at = std::find_if(effects_.begin(), effects_.end(), [&](const FxSlot &s) { return s.priority < priority; });
    effects_.insert(at, FxSlot{id, priority, std::move(e)});
    return id;
}

Effect *Stream::effect(HFX id) {
    for (auto &s : effects_)
        if (s.id == id)
            return s.effect.get();
    return nullptr;
}

bool Stream::removeEffect(HFX id) {
    auto it = std::find_if(effects_.begin(), effects_.end(), [&](const FxSlot &s) { return s.id == id; });
    if (it == effects_.end())
        return false;
    effects_.erase(it);
    return true;
}

} // namespace cantora::audio
