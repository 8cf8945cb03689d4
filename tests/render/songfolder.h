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

class SongFolder : public cantora::audiotest::EngineWithFont {
protected:
    // Saves the song as song.mid in the folder and returns its path.
    std::string saveSong(const cantora::audio::MidiWriter &song) const {
        const std::string path = dir / "song.mid";
        save(path, song.bytes());
        return path;
    }
    // A song of one note from `onTick` to `offTick` (480 ticks a quarter, 120 bpm), saved as above.
    std::string noteSong(std::uint64_t onTick, std::uint64_t offTick) const {
        cantora::audio::MidiWriter w(480, 0);
        const int t = w.addTrack();
        w.noteOn(t, onTick, 0, 60, 100);
        w.noteOff(t, offTick, 0, 60);
        return saveSong(w);
    }
    // The names of the files in the folder, sorted.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(dir.path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool onlySong() const { return files() == std::vector<std::string>{"song.mid"}; }

    TempDir dir;
};

} // namespace wavbytes
