#pragma once
// A suite that renders songs built in code: the engine on the "no sound"
// device with the test SoundFont, and a fresh folder per test that holds the
// song and whatever the render leaves behind.

#include "audio/audiotest.h"
#include "audio/midiwriter.h"
#include "render/wavbytes.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace wavbytes {

// The names of the files in `folder`, sorted.
inline std::vector<std::string> fileNames(const std::filesystem::path &folder) {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SongFolder : public cantora::audiotest::EngineWithFont {
protected:
    // Saves the song as song.mid in the folder and returns its path.
    std::string saveSong(const cantora::audio::MidiWriter &song) const {
        const std::string path = dir / "song.mid";
        save(path, song.bytes());
        return path;
    }
    std::vector<std::string> files() const { return fileNames(dir.path); }
    bool onlySong() const {
        return std::distance(std::filesystem::directory_iterator(dir.path), std::filesystem::directory_iterator{}) == 1;
    }

    TempDir dir;
};

} // namespace wavbytes
