#include "player/engine.h"

namespace cantora::player {

EngineStartResult startEngine() {
    EngineStartResult r;
    // Only the version queries may run before the device is opened.
    if ((BASS_GetVersion() >> 16) != BASSVERSION) {
        r.status = EngineStart::WrongEngineVersion;
        return r;
    }
    if ((BASS_FX_GetVersion() >> 16) != BASSVERSION) {
        r.status = EngineStart::WrongEffectsVersion;
        return r;
    }
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        r.status = EngineStart::NoDevice;
        return r;
    }
    BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
    if (HSTREAM probe = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr)) {
        BASS_StreamFree(probe);
        r.floatCapability = BASS_SAMPLE_FLOAT;
    }
    return r;
}

bool reopenOutput() { return BASS_Init(-1, 44100, 0, nullptr, nullptr) != 0; }

void releaseOutput() { BASS_Free(); }

int engineErrorCode() { return BASS_ErrorGetCode(); }

} // namespace cantora::player
