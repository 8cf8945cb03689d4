// cantora: the karaoke studio's main window.
//   cantora [--home DIR] [SONG]
// --home (or CANTORA_HOME) names the application folder, which holds the
// settings, the default SoundFont, the read-me and the work files; SONG is
// opened at start as if chosen with Open (the user still presses Play).

#include "core/apppaths.h"
#include "app/ui/frmMidiTest.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

namespace {

std::string executablePath(const char *argv0) {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(argv0) : p.string();
}

std::string absolute(const std::string &path) {
    std::error_code ec;
    auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Cantora");

    std::string home;
    std::optional<std::string> song;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--home") == 0 && i + 1 < argc) {
            home = absolute(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: cantora [--home DIR] [SONG]\n");
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("cantora %s\n", CANTORA_VERSION);
            return 0;
        } else if (!song) {
            // Resolved now: start-up makes the application folder current.
            song = absolute(argv[i]);
        } else {
            std::fprintf(stderr, "usage: cantora [--home DIR] [SONG]\n");
            return 2;
        }
    }
    const char *env = std::getenv("CANTORA_HOME");
    cantora::core::setAppFolder(cantora::core::resolveAppFolder(home, env ? absolute(env) : std::string(),
                                                                executablePath(argv[0])));

    cantora::app::frmMidiTest window;
    window.show();
    if (!window.Form_Initialize())
        return 1;
    if (song)
        window.cmdOpenFP_Click(*song);
    return app.exec();
}
