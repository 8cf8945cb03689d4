#pragma once
// The descriptive fields of a SoundFont 2 file, read from its RIFF INFO list.
//
// Layout: "RIFF" size "sfbk", then LIST "INFO" holding sub-chunks of a
// four-letter id, a 32-bit little-endian size and the bytes (padded to an
// even size): INAM name, ICOP copyright, ICMT comment, among others. Then
// LIST "sdta" whose "smpl" chunk holds the 16-bit sample data.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cantora::audio {

struct Sf2Info {
    std::string name;
    std::string copyright;
    std::string comment;
    std::uint32_t sampleBytes = 0;  // size of the smpl chunk, 0 if not seen
};

// Reads the INFO list from the start of a file (the first few hundred KiB
// are enough: INFO and the head of sdta come first). Nothing if the bytes
// do not start a SoundFont 2 file.
std::optional<Sf2Info> readSf2Info(std::string_view head);

} // namespace cantora::audio
