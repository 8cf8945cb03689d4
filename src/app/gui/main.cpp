// cantora: the karaoke studio's main window.
//   cantora [--home DIR] [--tags FILE.mp3] [SONG]
// --home (or CANTORA_HOME) names the application folder, which holds the
// settings, the default SoundFont, the read-me and the work files; SONG is
// opened at start as if chosen with Open (the user still presses Play);
// --tags opens the MP3 tag editor on FILE beside the main window.

#include "core/apppaths.h"
#include "app/ui/commandline.h"
#include "app/ui/frmMidiTest.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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

    std::vector<std::string> args(argv + 1, argv + argc);
    const cantora::app::CommandLine cl = cantora::app::parseCommandLine(args);
    switch (cl.action) {
    case cantora::app::CommandLine::Action::Help:
        std::printf("%s\n", cantora::app::kUsage);
        return 0;
    case cantora::app::CommandLine::Action::Version:
        std::printf("cantora %s\n", CANTORA_VERSION);
        return 0;
    case cantora::app::CommandLine::Action::UsageError:
        std::fprintf(stderr, "cantora: %s\n%s\n", cl.error.c_str(), cantora::app::kUsage);
        return 2;
    case cantora::app::CommandLine::Action::Run:
        break;
    }
    const std::string home = cl.home.empty() ? std::string() : absolute(cl.home);
    // Resolved now: start-up makes the application folder current.
    const std::optional<std::string> song = cl.song ? std::optional<std::string>(absolute(*cl.song)) : std::nullopt;
    const std::optional<std::string> tags = cl.tags ? std::optional<std::string>(absolute(*cl.tags)) : std::nullopt;
    const char *env = std::getenv("CANTORA_HOME");
    cantora::core::setAppFolder(cantora::core::resolveAppFolder(home, env ? absolute(env) : std::string(),
                                                              executablePath(argv[0])));

    cantora::app::frmMidiTest window;
    // The window appears only once the engine and the device are ready; a
    // failed start ends the program with a non-zero status.
    if (!window.Form_Initialize())
        return 1;
    window.show();
    if (song)
        window.cmdOpenFP_Click(*song);
    if (tags)
        window.Mp3KK_Click(*tags);
    return app.exec();
}
