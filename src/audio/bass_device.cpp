// bass.h, section "device": init and free of the output, versions, config
// and the error code.

#include "audio/engine.h"

namespace cantora::audio {

void setOutputFactory(OutputFactory factory) {
    Engine &e = Engine::instance();
    std::lock_guard lock(e.table);
    e.factory = std::move(factory);
}

void overrideVersions(std::uint32_t bass, std::uint32_t fx) {
    Engine::instance().bassVersion = bass;
    Engine::instance().fxVersion = fx;
}

} // namespace cantora::audio

using namespace cantora::audio;

DWORD BASS_GetVersion() {
    const auto v = Engine::instance().bassVersion.load();
    return v ? v : (BASSVERSION << 16) | 0x1100;
}

DWORD BASS_FX_GetVersion() {
    const auto v = Engine::instance().fxVersion.load();
    return v ? v : (BASSVERSION << 16) | 0x0C00;
}

BOOL BASS_Init(int device, DWORD freq, DWORD, void *, void *) {
    Engine &e = Engine::instance();
    std::unique_ptr<AudioOutput> out;
    {
        std::lock_guard lock(e.table);
        if (e.initialised)
            return fail(BASS_ERROR_ALREADY);
        if (device < -1)
            return fail(BASS_ERROR_DEVICE);
        e.retiredOutput.reset();
        if (device != 0)
            out = e.factory ? e.factory(device) : makeSdlOutput(device);
    }
    const int rate = freq ? static_cast<int>(freq) : 44100;
    const bool byHand = out && out->handDriven();
    if (device != 0) {
        AudioOutput *clock = out.get();
        const bool opened = out && out->open(rate, [&e, clock, byHand](float *buf, std::size_t frames) {
            e.mix(buf, frames, byHand ? clock->playedSeconds() : Notifier::wallClock());
        });
        if (!opened)
            return fail(BASS_ERROR_DEVICE);
        if (byHand)
            out->attachNotifications([&e, clock] { e.notifier.deliverDue(clock->playedSeconds()); });
    }
    std::lock_guard lock(e.table);
    e.initialised = true;
    e.device = device;
    e.rate = rate;
    e.latency = out ? out->latency() : 0;
    e.output = std::move(out);
    if (byHand)
        e.notifier.startManual();
    else
        e.notifier.startThread();
    return ok<BOOL>(1);
}

BOOL BASS_Free() {
    Engine &e = Engine::instance();
    AudioOutput *out = nullptr;
    std::vector<std::shared_ptr<Stream>> all;
    {
        std::lock_guard lock(e.table);
        if (!e.initialised)
            return fail(BASS_ERROR_INIT);
        e.initialised = false;
        e.retiredOutput = std::move(e.output);
        out = e.retiredOutput.get();
        for (auto &[h, s] : e.streams)
            all.push_back(s);
    }
    if (out)
        out->close(); // no mixing after this
    for (auto &s : all)
        e.release(s);
    {
        std::lock_guard lock(e.table);
        e.probes.clear();
        e.effects.clear();
    }
    e.notifier.stop();
    return ok<BOOL>(1);
}

BOOL BASS_SetConfig(DWORD option, DWORD) {
    // Effects always run on float samples, so the float option has nothing
    // to switch; it is accepted as set.
    if (option == BASS_CONFIG_FLOATDSP)
        return ok<BOOL>(1);
    return fail(BASS_ERROR_ILLTYPE);
}

int BASS_ErrorGetCode() { return lastError(); }
