// Placeholder so callers link before the reader exists. Replaced by the real reader.
#include "audio/midifile.h"

namespace cantora::audio {
MidiReadResult readMidi(std::string_view) { return {MidiError::NotMidi, {}}; }
MidiReadResult readMidiFile(const std::string &) { return {MidiError::Io, {}}; }
const char *midiErrorText(MidiError) { return "not implemented"; }
} // namespace cantora::audio
