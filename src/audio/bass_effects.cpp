// bass.h, section "effects": equaliser and compressor on a stream. The
// untyped parameter records of the calls become the effects' own records
// here, and only here.

#include "audio/engine.h"

using namespace cantora::audio;

namespace {

PeakEqBand toBand(const BASS_BFX_PEAKEQ &p) { return {p.lBand, p.fBandwidth, p.fQ, p.fCenter, p.fGain, p.lChannel}; }
BASS_BFX_PEAKEQ fromBand(const PeakEqBand &b) {
    return {b.number, b.bandwidthOctaves, b.q, b.centerHz, b.gainDb, b.channels};
}
CompressorSettings toSettings(const BASS_BFX_COMPRESSOR2 &p) {
    return {p.fGain, p.fThreshold, p.fRatio, p.fAttack, p.fRelease, p.lChannel};
}
BASS_BFX_COMPRESSOR2 fromSettings(const CompressorSettings &c) {
    return {c.gainDb, c.thresholdDb, c.ratio, c.attackMs, c.releaseMs, c.channels};
}

std::shared_ptr<Stream> effectOwner(HFX fx) {
    Engine &e = Engine::instance();
    std::lock_guard lock(e.table);
    auto it = e.effects.find(fx);
    return it == e.effects.end() ? nullptr : it->second.lock();
}

// Runs `body(effect)` with the owning stream's lock held.
template <typename Body>
BOOL withEffect(HFX handle, Body &&body) {
    auto s = effectOwner(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE);
    std::lock_guard lock(s->mutex);
    Effect *fx = s->effect(handle);
    if (!fx)
        return fail(BASS_ERROR_HANDLE);
    return body(*fx) ? ok<BOOL>(1) : fail(BASS_ERROR_ILLPARAM);
}

} // namespace

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority) {
    return withStream(handle, HFX(0), [&](const std::shared_ptr<Stream> &s) {
        if (type != BASS_FX_BFX_PEAKEQ && type != BASS_FX_BFX_COMPRESSOR2)
            return fail<HFX>(BASS_ERROR_ILLTYPE, 0);
        Engine &e = Engine::instance();
        HFX id;
        {
            std::lock_guard lock(e.table);
            id = e.nextHandle++;
            e.effects[id] = s;
        }
        s->addEffect(id, type, priority);
        return ok(id);
    });
}

BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx) {
    return withStream(handle, BOOL(0), [&](const std::shared_ptr<Stream> &s) {
        if (effectOwner(fx) != s)
            return fail(BASS_ERROR_HANDLE);
        s->removeEffect(fx);
        Engine &e = Engine::instance();
        std::lock_guard lock(e.table);
        e.effects.erase(fx);
        return ok<BOOL>(1);
    });
}

BOOL BASS_FXSetParameters(HFX handle, const void *params) {
    return withEffect(handle, [&](Effect &fx) {
        if (!params)
            return false;
        if (auto *eq = dynamic_cast<PeakEq *>(&fx))
            return eq->setBand(toBand(*static_cast<const BASS_BFX_PEAKEQ *>(params)));
        if (auto *comp = dynamic_cast<Compressor *>(&fx))
            return comp->set(toSettings(*static_cast<const BASS_BFX_COMPRESSOR2 *>(params)));
        return false;
    });
}

BOOL BASS_FXGetParameters(HFX handle, void *params) {
    return withEffect(handle, [&](Effect &fx) {
        if (!params)
            return false;
        if (auto *eq = dynamic_cast<PeakEq *>(&fx)) {
            auto *rec = static_cast<BASS_BFX_PEAKEQ *>(params);
            PeakEqBand band;
            if (!eq->band(rec->lBand, band))
                return false;
            *rec = fromBand(band);
            return true;
        }
        if (auto *comp = dynamic_cast<Compressor *>(&fx)) {
            *static_cast<BASS_BFX_COMPRESSOR2 *>(params) = fromSettings(comp->settings());
            return true;
        }
        return false;
    });
}
