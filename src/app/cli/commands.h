#pragma once
// Subcommands of cantora-cli. Each takes the words after its own name and
// returns the process exit code; errors go to stderr. Each reads its
// options through CommandLine (commandline.h), which gives them all the
// same help, usage errors, --force/-q/--progress and exit statuses.

#include <string>
#include <vector>

namespace cantora::cli {

using Args = std::vector<std::string>;

int render(const Args &args); // render SONG OUT.wav|- [--soundfont SF2] [live options]
int marks(const Args &args);  // marks SONG
int encode(const Args &args); // encode IN.wav|- OUT.mp3 [--preset CODE|NAME] [--bitrate KBPS]
int info(const Args &args);   // info [--json] FILE...|-
int tag(const Args &args);    // tag FILE [--title T] ...
int lrc(const Args &args);    // lrc SONG OUT.lrc|- [--exact]
int cdg(const Args &args);    // cdg SONG OUT.cdg [--font F] [--colours BG,TEXT,SUNG] [--tempo PCT] [--force]
int mp3(const Args &args);    // mp3 SONG OUT.mp3 [tag options] [--preset P] [--no-lyrics] ...
int batch(const Args &args);  // batch SRC... --out DIR [--to mp3|mp3+g|wav|lrc] [--jobs N] ...

} // namespace cantora::cli
