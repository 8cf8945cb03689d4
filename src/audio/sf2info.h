#pragma once
// What the engine needs to know about a SoundFont 2 file without loading
// its samples: the descriptive INFO fields and the preset list.
//
// Layout: "RIFF" size "sfbk", then three LISTs in this order:
//   "INFO": sub-chunks of a four-letter id, a 32-bit little-endian size and
//           the bytes (padded to even): INAM name, ICOP copyright, ICMT comment
//   "sdta": "smpl" holding the 16-bit sample data (the bulk of the file)
//   "pdta": the preset tables; "phdr" holds 38-byte preset headers:
//           name[20] (zero-padded), preset u16, bank u16, bag index u16,
//           library u32, genre u32, morphology u32; the last one is the
//           "EOP" terminal record, not a preset.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cantora::audio {

struct Sf2Info {
    std::string name;
    std::string copyright;
    std::string comment;
    std::uint32_t sampleBytes = 0; // size of the smpl chunk, 0 if not seen
    std::uint64_t pdtaOffset = 0;  // file offset of the pdta list's body, 0 if not found
    std::uint32_t pdtaSize = 0;
    std::uint64_t afterSdta = 0; // file offset just past the sdta list, 0 if not found
};

struct Sf2Preset {
    int bank = 0;
    int program = 0;
    std::string name;
};

// Reads the file's head (the first few hundred KiB hold INFO and the head
// of sdta). Nothing if the bytes do not start a SoundFont 2 file.
std::optional<Sf2Info> readSf2Info(std::string_view head);

// The pdta list's body (offset, size) from the 12 bytes of its list
// header found at `at` (Sf2Info::afterSdta when the head did not reach it).
std::optional<std::pair<std::uint64_t, std::uint32_t>> readPdtaHeader(std::string_view twelve, std::uint64_t at);

// Reads the presets from the body of the pdta list. Nothing if it holds no
// phdr chunk.
std::optional<std::vector<Sf2Preset>> readSf2Presets(std::string_view pdta);

} // namespace cantora::audio
