#pragma once
// The engine calls of the window's start-up and shutdown: the library
// checks, the output device and the engine's error code, so that no widget
// speaks to the engine itself.
//
// Threading: UI thread.

#include "audio/bass.h"

namespace cantora::player {

// How start-up went.
enum class EngineStart {
    Ok,
    WrongEngineVersion,  // the engine's interface is not 2.4
    WrongEffectsVersion, // the effects' interface is not 2.4
    NoDevice,            // the output device could not be opened
};

struct EngineStartResult {
    EngineStart status = EngineStart::Ok;
    DWORD floatCapability = 0; // BASS_SAMPLE_FLOAT when the output takes float samples
};

// The library checks, the output at 44100 Hz, float effects, the float probe.
EngineStartResult startEngine();
// Reopens the output after it was released between songs.
bool reopenOutput();
// Releases the output (and every stream on it).
void releaseOutput();
// The engine's error code of the last failing call.
int engineErrorCode();

} // namespace cantora::player
