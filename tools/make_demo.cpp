// Writes the demo song: make_demo [OUT] (default data/demo.kar, from the
// source folder). The file is written beside the target and renamed over it,
// so a failed run never leaves half a song behind.
#include "demo_song.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char **argv) {
    const std::string out = argc > 1 ? argv[1] : "data/demo.kar";
    const std::string tmp = out + ".part";
    const std::string bytes = cantora::demo::demoSongBytes();
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!f.flush()) {
            std::fprintf(stderr, "make_demo: cannot write %s\n", tmp.c_str());
            std::remove(tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), out.c_str()) != 0) {
        std::fprintf(stderr, "make_demo: cannot replace %s\n", out.c_str());
        std::remove(tmp.c_str());
        return 1;
    }
    std::printf("%s: %zu bytes\n", out.c_str(), bytes.size());
    return 0;
}
