#pragma once
// What every subcommand shares in how it meets the user: its options read
// from one table (a single-value option given twice is a usage error),
// --help/-h printing the usage on standard output, usage errors naming what
// is wrong before the usage text (exit 2), -q/--quiet, --progress and
// --force on the commands that write, messages "cantora-cli: COMMAND: ...",
// the checks of OUT before any work, and the one-line summary on success.
//
// A command declares its options and operands, then calls parse():
//
//   CommandLine cl("lrc", kUsage);
//   cl.flag("--exact", exact).writes(force).operand("SONG", song).operand("OUT.lrc", out);
//   if (const int status = cl.parse(args); status >= 0) return status;

#include "app/cli/commands.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cantora::cli {

// Exit statuses; 128 + the signal after SIGINT or SIGTERM (interrupt.h).
constexpr int kFailed = 1;     // the work failed: bad input, write error
constexpr int kUsageError = 2; // the command line is wrong
constexpr int kRefused = 3;    // OUT exists and --force was not given

// What the common options asked for, for the whole process.
struct Manners {
    bool quiet = false;    // -q: nothing but errors
    bool progress = false; // --progress: progress lines even when stderr is no terminal
};
Manners &manners();

// The text every --help ends with.
extern const char *const kExitStatusHelp;

class CommandLine {
public:
    // Takes an option's value: "" when accepted, else why it is refused.
    using Taker = std::function<std::string(const std::string &value)>;

    CommandLine(const char *command, std::string usage);

    CommandLine &flag(const char *name, bool &on);
    // An option with one value, given at most once.
    CommandLine &value(const char *name, std::optional<std::string> &v);
    // An option whose value `take` reads; `once` makes a repetition a usage error.
    CommandLine &value(const char *name, Taker take, bool once = true);
    // An option whose value is optional and only given as --name=VALUE
    // (`take` gets "" for the bare option).
    CommandLine &optionalValue(const char *name, Taker take);
    // Words that are not options, in order; the named ones are required.
    CommandLine &operand(const char *name, std::string &v);
    CommandLine &operands(const char *name, std::vector<std::string> &v); // one or more
    // --force, -q/--quiet and --progress: a command that writes OUT.
    CommandLine &writes(bool &force);

    // -1 to go on; else the exit status (0 after --help, 2 after a usage error).
    int parse(const Args &args);

    const char *command() const { return command_; }
    // Messages on stderr, "cantora-cli: COMMAND: " first; each returns its status.
    int usageError(const std::string &what) const;
    int fail(const std::string &what) const;
    // A remark that is not an error (silenced by -q).
    void note(const std::string &what) const;
    // "cantora-cli: COMMAND: wrote OUT (3.25 s of audio; NOTES)" (silenced by -q).
    void summary(const std::string &out, double seconds, const std::string &notes = {}) const;

    // The checks of OUT before any work: -1 when it may be written, else the
    // status after the message (a folder, one of `inputs`, or an existing
    // file without --force). "-" (standard output) always passes.
    int checkOutput(const std::string &out, bool force, const std::vector<std::string> &inputs) const;
    // -1 when `path` can be read without blocking: it is missing (the
    // reader says so), a regular file or "-"; else 1 after the message.
    int checkInput(const std::string &path) const;

    // The options parse() took, in the order given: a flag with no value, an
    // optional value given bare with an empty one.
    struct Given {
        std::string name, value;
        bool flag = false;
    };
    const std::vector<Given> &given() const { return given_; }

private:
    struct Option {
        std::string name;
        bool *flag = nullptr;
        Taker take;
        bool once = true;
        bool seen = false;
        bool valueOptional = false;
    };
    const char *command_;
    std::string usage_;
    std::vector<Option> options_;
    std::vector<Given> given_;
    std::vector<std::pair<const char *, std::string *>> operands_;
    std::pair<const char *, std::vector<std::string> *> rest_{nullptr, nullptr};
};

// "File too large", "Permission denied", ...: the system's words for errno.
std::string systemError(int err);

} // namespace cantora::cli
