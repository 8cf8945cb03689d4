#pragma once
// The audio engine's call interface: output device, MIDI streams rendered
// through SoundFonts, MIDI events, marks, syncs, decoding and float effects.
//
// The player, the renderer and the LRC creator are written against these
// calls, so the names, argument order, flag values and return conventions are
// kept exactly as those callers expect them. Underneath, the synthesis is
// FluidSynth (one synth per stream), the device is SDL2 (or a null output),
// and the MIDI file reader, sequencer, marks, syncs and effects are ours.
//
// Threading: every call may be made from any thread. Mix-time syncs run on
// the render thread at the exact sample where their event falls; other syncs
// run on the engine's notification thread when the sound reaches the output
// (with the pumped output of the tests, inside its pump(): see output.h).
// A sync callback may call back into the engine (set an event, free the
// stream) without deadlocking. Song files: only regular files are opened
// (BASS_ERROR_FILEOPEN otherwise), up to kMaxSongBytes (songfile.h).

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using QWORD = std::uint64_t;
using BOOL = int;
using HSTREAM = DWORD;
using HSYNC = DWORD;
using HFX = DWORD;
using HSOUNDFONT = DWORD;

using SYNCPROC = void (*)(HSYNC handle, DWORD channel, DWORD data, void *user);

// Interface version reported by both version queries: 2.4 in the high word.
constexpr DWORD BASSVERSION = 0x0204;

// ---- error codes (BASS_ErrorGetCode) ----
constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_MEM = 1;
constexpr int BASS_ERROR_FILEOPEN = 2;
constexpr int BASS_ERROR_DRIVER = 3;
constexpr int BASS_ERROR_HANDLE = 5;
constexpr int BASS_ERROR_FORMAT = 6;
constexpr int BASS_ERROR_POSITION = 7;
constexpr int BASS_ERROR_INIT = 8;
constexpr int BASS_ERROR_ALREADY = 14;
constexpr int BASS_ERROR_NOPLAY = 24;
constexpr int BASS_ERROR_ILLTYPE = 19;
constexpr int BASS_ERROR_ILLPARAM = 20;
constexpr int BASS_ERROR_DEVICE = 23;
constexpr int BASS_ERROR_NOTAVAIL = 37;
constexpr int BASS_ERROR_DECODE = 38;
constexpr int BASS_ERROR_FILEFORM = 41;
constexpr int BASS_ERROR_ENDED = 45;
constexpr int BASS_ERROR_UNKNOWN = -1;

// ---- config options ----
constexpr DWORD BASS_CONFIG_FLOATDSP = 9;

// ---- stream / sample flags ----
constexpr DWORD BASS_SAMPLE_8BITS = 1;
constexpr DWORD BASS_SAMPLE_FLOAT = 0x100;
constexpr DWORD BASS_MIDI_DECAYEND = 0x1000;
constexpr DWORD BASS_STREAM_BLOCK = 0x100000;
constexpr DWORD BASS_STREAM_DECODE = 0x200000;
constexpr DWORD BASS_STREAM_AUTOFREE = 0x40000;
constexpr DWORD BASS_UNICODE = 0x80000000;

// ---- position modes ----
constexpr DWORD BASS_POS_BYTE = 0;
constexpr DWORD BASS_POS_MIDI_TICK = 2;

// ---- BASS_ChannelIsActive ----
constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_STALLED = 2;
constexpr DWORD BASS_ACTIVE_PAUSED = 3;

// ---- sync types ----
constexpr DWORD BASS_SYNC_MIXTIME = 0x40000000;
constexpr DWORD BASS_SYNC_END = 2;
constexpr DWORD BASS_SYNC_SETPOS = 11;          // 0x0B
constexpr DWORD BASS_SYNC_MIDI_MARK = 0x10000;  // param = mark type
constexpr DWORD BASS_SYNC_MIDI_LYRIC = 0x10002; // data = lyric mark index
constexpr DWORD BASS_SYNC_MIDI_TEXT = 0x10003;  // data = text mark index
constexpr DWORD BASS_SYNC_MIDI_EVENT = 0x10004; // param = event type

// ---- mark types ----
constexpr DWORD BASS_MIDI_MARK_LYRIC = 2;
constexpr DWORD BASS_MIDI_MARK_TEXT = 3;

// ---- MIDI events ----
constexpr DWORD MIDI_EVENT_PROGRAM = 2;
constexpr DWORD MIDI_EVENT_VOLUME = 12;
constexpr DWORD MIDI_EVENT_PAN = 13;
constexpr DWORD MIDI_EVENT_REVERB = 23;
constexpr DWORD MIDI_EVENT_CHORUS = 24;
constexpr DWORD MIDI_EVENT_TEMPO = 62;
constexpr DWORD MIDI_EVENT_TRANSPOSE = 0x10001; // 100 + semitones

// ---- effects ----
constexpr DWORD BASS_FX_BFX_PEAKEQ = 0x10004;
constexpr DWORD BASS_FX_BFX_COMPRESSOR2 = 0x10011;
constexpr int BASS_BFX_CHANALL = -1;

// One lyric or text meta event of the song.
struct BASS_MIDI_MARK {
    DWORD track;      // track number in file order, 0-based
    DWORD pos;        // byte position in the 16-bit stereo output
    const char *text; // the event's bytes, NUL-terminated, 8-bit as stored
    DWORD tick;       // absolute tick of the event
};

// One entry of a stream's SoundFont list.
struct BASS_MIDI_FONT {
    HSOUNDFONT font;
    int preset; // -1 = all presets
    int bank;   // 0, or 128 for the drum kits
};

struct BASS_MIDI_FONTINFO {
    const char *name;
    const char *copyright;
    const char *comment;
    DWORD presets; // number of presets
    DWORD samsize; // sample data size in bytes
};

struct BASS_CHANNELINFO {
    DWORD freq;
    DWORD chans;
    DWORD flags;
    DWORD ctype;
    DWORD origres;
    DWORD plugin;
    DWORD sample;
    const char *filename;
};

// Peaking equaliser band: one effect may hold several bands.
struct BASS_BFX_PEAKEQ {
    int lBand;
    float fBandwidth; // octaves; 0 = width from fQ
    float fQ;         // used only when fBandwidth is 0
    float fCenter;    // Hz
    float fGain;      // dB
    int lChannel;     // -1 = all channels
};

struct BASS_BFX_COMPRESSOR2 {
    float fGain;      // output gain, dB
    float fThreshold; // dB
    float fRatio;
    float fAttack;  // ms
    float fRelease; // ms
    int lChannel;
};

// ---- device ----
DWORD BASS_GetVersion();
DWORD BASS_FX_GetVersion();
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void *win, void *clsid);
BOOL BASS_Free();
BOOL BASS_SetConfig(DWORD option, DWORD value);
int BASS_ErrorGetCode();

// ---- streams ----
// A plain (user) stream; only used to probe float support: proc must be null.
HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, void *proc, void *user);
BOOL BASS_StreamFree(HSTREAM handle);
BOOL BASS_MusicFree(DWORD handle);
// file: UTF-16 (char16_t) when flags carry BASS_UNICODE, else 8-bit UTF-8.
HSTREAM BASS_MIDI_StreamCreateFile(BOOL mem, const void *file, QWORD offset, QWORD length, DWORD flags, DWORD freq);
// Only local paths are understood; any other URL fails with BASS_ERROR_FILEOPEN.
HSTREAM BASS_StreamCreateURL(const char *url, DWORD offset, DWORD flags, void *proc, void *user);

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO *info);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double secs);
// Decode streams: fills buffer with up to length bytes; returns bytes written
// or (DWORD)-1 on error/end.
DWORD BASS_ChannelGetData(DWORD handle, void *buffer, DWORD length);
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC proc, void *user);
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync);

// ---- MIDI ----
BOOL BASS_MIDI_StreamGetMark(HSTREAM handle, DWORD type, DWORD index, BASS_MIDI_MARK *mark);
BOOL BASS_MIDI_StreamEvent(HSTREAM handle, DWORD chan, DWORD event, DWORD param);
DWORD BASS_MIDI_StreamGetEvent(HSTREAM handle, DWORD chan, DWORD event);

// ---- SoundFonts ----
HSOUNDFONT BASS_MIDI_FontInit(const void *file, DWORD flags);
BOOL BASS_MIDI_FontFree(HSOUNDFONT handle);
BOOL BASS_MIDI_FontSetVolume(HSOUNDFONT handle, float volume);
float BASS_MIDI_FontGetVolume(HSOUNDFONT handle);
BOOL BASS_MIDI_FontGetInfo(HSOUNDFONT handle, BASS_MIDI_FONTINFO *info);
const char *BASS_MIDI_FontGetPreset(HSOUNDFONT handle, int preset, int bank);
// handle 0 sets the default list for streams created later.
BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT *fonts, DWORD count);
DWORD BASS_MIDI_StreamGetFonts(HSTREAM handle, BASS_MIDI_FONT *fonts, DWORD count);

// ---- effects ----
HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx);
BOOL BASS_FXSetParameters(HFX handle, const void *params);
BOOL BASS_FXGetParameters(HFX handle, void *params);

// ---- additions of this engine ----
namespace cantora::audio {
// The song's own tempo (us per quarter note) at the stream's position,
// whatever event 62 set since: what a tempo factor must scale. 0 with
// BASS_ERROR_HANDLE for an unknown handle.
std::uint32_t songTempo(HSTREAM handle);
// Program, volume, pan, reverb and chorus (events 2, 12, 13, 23, 24) sent
// with BASS_MIDI_StreamEvent hold on that channel against the song's own
// events of that kind for the life of the stream, seeks included. This ends the hold
// on one channel: the channel takes the song's own value at the position
// and follows the song again. BASS_ERROR_ILLTYPE for another event.
BOOL releaseController(HSTREAM handle, DWORD chan, DWORD event);
} // namespace cantora::audio
