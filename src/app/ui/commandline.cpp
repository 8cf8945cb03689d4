#include "app/ui/commandline.h"

namespace cantora::app {

CommandLine parseCommandLine(const std::vector<std::string> &args) {
    CommandLine cl;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--home") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                cl.action = CommandLine::Action::UsageError;
                cl.error = "--home needs a folder";
                return cl;
            }
            cl.home = args[++i];
        } else if (a == "--tags") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                cl.action = CommandLine::Action::UsageError;
                cl.error = "--tags needs an MP3 file";
                return cl;
            }
            cl.tags = args[++i];
        } else if (a == "--help") {
            cl.action = CommandLine::Action::Help;
            return cl;
        } else if (a == "--version") {
            cl.action = CommandLine::Action::Version;
            return cl;
        } else if (!cl.song) {
            cl.song = a;
        } else {
            cl.action = CommandLine::Action::UsageError;
            cl.error = "only one song can be opened";
            return cl;
        }
    }
    return cl;
}

} // namespace cantora::app
