// cantora: the karaoke studio's main window.
//   cantora [--home DIR] [--tags FILE.mp3] [SONG]
// --home (or CANTORA_HOME) names the application folder, which holds the
// settings, the default SoundFont, the read-me and the work files; without
// them it is the executable's folder (a build) or, for an installed program,
// $XDG_DATA_HOME/cantora, filled at first start; SONG is
// opened at start as if chosen with Open (the user still presses Play);
// --tags opens the MP3 tag editor on FILE beside the main window.

#include "app/dialogs/dialogs.h"
#include "app/ui/commandline.h"
#include "app/ui/frmMidiTest.h"
#include "core/apppaths.h"
#include "player/ui/transportpanel.h"

#include <QApplication>
#include <QIcon>

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
    // --help and --version answer without a display.
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") {
            std::printf("%s\n", cantora::app::kUsage);
            return 0;
        }
        if (a == "--version") {
            std::printf("cantora %s\n", CANTORA_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Cantora");
    QApplication::setDesktopFileName("cantora");
    // The installed icon, from the desktop's icon theme.
    QApplication::setWindowIcon(QIcon::fromTheme("cantora"));

    std::vector<std::string> args(argv + 1, argv + argc);
    const cantora::app::CommandLine cl = cantora::app::parseCommandLine(args);
    switch (cl.action) {
    case cantora::app::CommandLine::Action::Help: std::printf("%s\n", cantora::app::kUsage); return 0;
    case cantora::app::CommandLine::Action::Version: std::printf("cantora %s\n", CANTORA_VERSION); return 0;
    case cantora::app::CommandLine::Action::UsageError:
        std::fprintf(stderr, "cantora: %s\n%s\n", cl.error.c_str(), cantora::app::kUsage);
        return 2;
    case cantora::app::CommandLine::Action::Run: break;
    }
    const std::string home = cl.home.empty() ? std::string() : absolute(cl.home);
    // Resolved now: start-up makes the application folder current.
    const std::optional<std::string> song = cl.song ? std::optional<std::string>(absolute(*cl.song)) : std::nullopt;
    const std::optional<std::string> tags = cl.tags ? std::optional<std::string>(absolute(*cl.tags)) : std::nullopt;
    auto env = [](const char *name) {
        const char *v = std::getenv(name);
        return v ? std::string(v) : std::string();
    };
    const std::string envHome = env("CANTORA_HOME");
    const std::string exe = executablePath(argv[0]);
    const cantora::core::AppFolderChoice folder = cantora::core::chooseAppFolder(
        {home, envHome.empty() ? std::string() : absolute(envHome), exe, env("XDG_DATA_HOME"), env("HOME")});
    if (folder.perUser) {
        const std::string share = cantora::core::installedShareFolder(exe);
        const std::string failed = cantora::core::prepareUserFolder(folder.folder, CANTORA_SYSTEM_SF2, share);
        if (!failed.empty()) {
            std::fprintf(stderr, "cantora: %s\n", failed.c_str());
            cantora::dialogs::Dialogs::current().msgBox(
                nullptr,
                "Cantora keeps its settings, its default SoundFont and its work files in " + folder.folder +
                    ", which could not be prepared:\n" + failed +
                    "\n\nMake that folder writable (or start Cantora with --home and a folder you can write), "
                    "then start Cantora again.",
                cantora::dialogs::Exclamation, "Cantora");
        }
    }
    cantora::core::setAppFolder(folder.folder);

    cantora::app::frmMidiTest window;
    // The window appears only once the engine and the device are ready; a
    // failed start ends the program with a non-zero status.
    if (!window.Form_Initialize())
        return 1;
    window.show();
    if (song)
        window.transportPanel()->cmdOpenFP_Click(*song);
    if (tags)
        window.Mp3KK_Click(*tags);
    return app.exec();
}
