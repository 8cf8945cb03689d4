// cantora-cli: the karaoke studio's libraries driven from the command line.

#include "app/cli/commandline.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Command {
    const char *name;
    const char *usage;
    int (*run)(const cantora::cli::Args &);
};

const Command kCommands[] = {
    {"render", "render SONG OUT.wav|- [--soundfont SF2] [OPTIONS]   render a MIDI song to 16-bit WAV",
     cantora::cli::render},
    {"marks", "marks SONG                              list the song's lyric and text events", cantora::cli::marks},
    {"encode", "encode IN.wav|- OUT.mp3 [--preset P] [--bitrate KBPS]   encode a WAV to MP3", cantora::cli::encode},
    {"info", "info [--json] FILE...|-                 MPEG frame information and tags", cantora::cli::info},
    {"tag",
     "tag FILE [--title T] [--artist A] [--album B] [--year Y] [--comment C]\n"
     "        [--genre NUMBER|NAME] [--lyrics FILE [--lyrics-encoding NAME] | --no-lyrics] [--not-mp3]\n"
     "                                          write ID3v1 and lyrics",
     cantora::cli::tag},
    {"lrc", "lrc SONG OUT.lrc|- [--exact]            write the song's lyrics as an LRC file", cantora::cli::lrc},
    {"cdg", "cdg SONG OUT.cdg|- [--font F] [--colours BG,TEXT,SUNG] [--tempo PCT] [--force]   CD+G lyric graphics",
     cantora::cli::cdg},
    {"mp3",
     "mp3 SONG OUT.mp3 [--title T] [--artist A] [--album B] [--year Y] [--comment C]\n"
     "        [--genre NUMBER|NAME] [--preset CODE|NAME] [--bitrate KBPS] [--no-lyrics] [--soundfont SF2]\n"
     "        [render options]                  a karaoke MP3 in one go: render, encode, tag, lyrics",
     cantora::cli::mp3},
    {"batch", "batch SRC... --out DIR [--to mp3|mp3+g|wav|lrc] [--jobs N] [--print-jobs]   a whole library at once",
     cantora::cli::batch},
};

void usage(std::FILE *to) {
    std::fprintf(to, "usage: cantora-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const auto &c : kCommands)
        std::fprintf(to, "  %s\n", c.usage);
    std::fprintf(to, "\n  COMMAND --help   the command's own options\n"
                     "  --help           this text\n  --version        the program's version\n\n"
                     "the commands that write take --force (replace an existing OUT), -q/--quiet\n"
                     "(nothing but errors) and --progress (progress even when stderr is no terminal)\n");
    std::fputs(cantora::cli::kExitStatusHelp, to);
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h" || first == "help") {
        usage(stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("cantora-cli %s\n", CANTORA_VERSION);
        return 0;
    }
    for (const auto &c : kCommands) {
        if (first == c.name) {
            cantora::cli::Args args(argv + 2, argv + argc);
            return c.run(args);
        }
    }
    std::fprintf(stderr, "cantora-cli: unknown command '%s'\n", first.c_str());
    usage(stderr);
    return 2;
}
