#pragma once
// ReadFile's scan: each channel's starting values from the song file, for
// the strips at the first Play after Open.

#include "player/channels.h"

#include <string>

namespace cantora::audio {
struct MidiFile;
}

namespace cantora::player {

// Per channel, in file order: a channel without any note-on gets state -1
// and keeps its other fields; otherwise state = channel + 1, and the first
// volume (CC 7), chorus (CC 93), reverb (CC 91) and pan (CC 10) found, and
// the first program change whose value is not 0, become its fields (a kind
// the file never sends keeps its value).
void scanChannels(const audio::MidiFile &song, ChannelRecords &records);

// The same from the file at `path`; false (records untouched) when the
// file cannot be read as a song.
bool scanChannelsOfFile(const std::string &path, ChannelRecords &records);

} // namespace cantora::player
