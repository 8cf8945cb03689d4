// Placeholder bodies so that every caller links before the engine exists.
// Every call fails with BASS_ERROR_INIT. Replaced by the real engine.
#include "audio/bass.h"
#include "audio/output.h"

namespace { int g_error = BASS_ERROR_INIT; }
DWORD BASS_GetVersion() { return 0x02040000; }
DWORD BASS_FX_GetVersion() { return 0x02040000; }
BOOL BASS_Init(int, DWORD, DWORD, void *, void *) { return 0; }
BOOL BASS_Free() { return 0; }
BOOL BASS_SetConfig(DWORD, DWORD) { return 0; }
int BASS_ErrorGetCode() { return g_error; }
HSTREAM BASS_StreamCreate(DWORD, DWORD, DWORD, void *, void *) { return 0; }
BOOL BASS_StreamFree(HSTREAM) { return 0; }
BOOL BASS_MusicFree(DWORD) { return 0; }
HSTREAM BASS_MIDI_StreamCreateFile(BOOL, const void *, QWORD, QWORD, DWORD, DWORD) { return 0; }
HSTREAM BASS_StreamCreateURL(const char *, DWORD, DWORD, void *, void *) { return 0; }
BOOL BASS_ChannelPlay(DWORD, BOOL) { return 0; }
BOOL BASS_ChannelPause(DWORD) { return 0; }
BOOL BASS_ChannelStop(DWORD) { return 0; }
DWORD BASS_ChannelIsActive(DWORD) { return 0; }
BOOL BASS_ChannelGetInfo(DWORD, BASS_CHANNELINFO *) { return 0; }
QWORD BASS_ChannelGetLength(DWORD, DWORD) { return (QWORD)-1; }
QWORD BASS_ChannelGetPosition(DWORD, DWORD) { return (QWORD)-1; }
BOOL BASS_ChannelSetPosition(DWORD, QWORD, DWORD) { return 0; }
double BASS_ChannelBytes2Seconds(DWORD, QWORD) { return -1; }
QWORD BASS_ChannelSeconds2Bytes(DWORD, double) { return (QWORD)-1; }
DWORD BASS_ChannelGetData(DWORD, void *, DWORD) { return (DWORD)-1; }
HSYNC BASS_ChannelSetSync(DWORD, DWORD, QWORD, SYNCPROC, void *) { return 0; }
BOOL BASS_ChannelRemoveSync(DWORD, HSYNC) { return 0; }
BOOL BASS_MIDI_StreamGetMark(HSTREAM, DWORD, DWORD, BASS_MIDI_MARK *) { return 0; }
BOOL BASS_MIDI_StreamEvent(HSTREAM, DWORD, DWORD, DWORD) { return 0; }
DWORD BASS_MIDI_StreamGetEvent(HSTREAM, DWORD, DWORD) { return 0; }
HSOUNDFONT BASS_MIDI_FontInit(const void *, DWORD) { return 0; }
BOOL BASS_MIDI_FontFree(HSOUNDFONT) { return 0; }
BOOL BASS_MIDI_FontSetVolume(HSOUNDFONT, float) { return 0; }
float BASS_MIDI_FontGetVolume(HSOUNDFONT) { return 0; }
BOOL BASS_MIDI_FontGetInfo(HSOUNDFONT, BASS_MIDI_FONTINFO *) { return 0; }
const char * BASS_MIDI_FontGetPreset(HSOUNDFONT, int, int) { return nullptr; }
BOOL BASS_MIDI_StreamSetFonts(HSTREAM, const BASS_MIDI_FONT *, DWORD) { return 0; }
DWORD BASS_MIDI_StreamGetFonts(HSTREAM, BASS_MIDI_FONT *, DWORD) { return 0; }
HFX BASS_ChannelSetFX(DWORD, DWORD, int) { return 0; }
BOOL BASS_ChannelRemoveFX(DWORD, HFX) { return 0; }
BOOL BASS_FXSetParameters(HFX, const void *) { return 0; }
BOOL BASS_FXGetParameters(HFX, void *) { return 0; }

namespace cantora::audio {
void setOutputFactory(OutputFactory) {}
std::unique_ptr<AudioOutput> makeSdlOutput(int) { return nullptr; }
std::unique_ptr<AudioOutput> makeNullOutput() { return nullptr; }
std::unique_ptr<AudioOutput> makeMissingOutput() { return nullptr; }
void overrideVersions(std::uint32_t, std::uint32_t) {}
}
