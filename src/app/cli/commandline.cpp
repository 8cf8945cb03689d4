#include "app/cli/commandline.h"

#include "core/samefile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cantora::cli {

const char *const kExitStatusHelp = "exit status: 0 done, 1 failed, 2 usage error, 3 OUT exists (no --force),\n"
                                    "  130 after Ctrl-C (SIGINT), 143 after SIGTERM\n";

Manners &manners() {
    static Manners m;
    return m;
}

std::string systemError(int err) { return std::strerror(err); }

CommandLine::CommandLine(const char *command, std::string usage) : command_(command), usage_(std::move(usage)) {}

CommandLine &CommandLine::flag(const char *name, bool &on) {
    Option o;
    o.name = name;
    o.flag = &on;
    o.once = false;
    options_.push_back(std::move(o));
    return *this;
}

CommandLine &CommandLine::value(const char *name, std::optional<std::string> &v) {
    return value(name, [&v](const std::string &text) {
        v = text;
        return std::string();
    });
}

CommandLine &CommandLine::value(const char *name, Taker take, bool once) {
    Option o;
    o.name = name;
    o.take = std::move(take);
    o.once = once;
    options_.push_back(std::move(o));
    return *this;
}

CommandLine &CommandLine::optionalValue(const char *name, Taker take) {
    value(name, std::move(take));
    options_.back().valueOptional = true;
    return *this;
}

CommandLine &CommandLine::operand(const char *name, std::string &v) {
    operands_.emplace_back(name, &v);
    return *this;
}

CommandLine &CommandLine::operands(const char *name, std::vector<std::string> &v) {
    rest_ = {name, &v};
    return *this;
}

CommandLine &CommandLine::writes(bool &force) {
    flag("--force", force);
    flag("--quiet", manners().quiet);
    return flag("--progress", manners().progress);
}

int CommandLine::parse(const Args &args) {
    std::size_t next = 0; // the next operand to fill
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        if (!optionsEnd && (a == "--help" || a == "-h")) {
            std::fputs(usage_.c_str(), stdout);
            std::fputs(kExitStatusHelp, stdout);
            return 0;
        }
        if (!optionsEnd && a == "--") {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && a.size() > 1 && a[0] == '-') {
            if (a == "-q")
                a = "--quiet";
            // --name=value as well as --name value.
            std::optional<std::string> inlineValue;
            if (const std::size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
                inlineValue = a.substr(eq + 1);
                a.resize(eq);
            }
            Option *option = nullptr;
            for (Option &o : options_)
                if (o.name == a)
                    option = &o;
            if (!option)
                return usageError("unknown option '" + a + "'");
            if (option->seen && option->once)
                return usageError(a + " given twice");
            option->seen = true;
            if (option->flag) {
                if (inlineValue)
                    return usageError(a + " takes no value");
                *option->flag = true;
                given_.push_back({a, {}, true});
                continue;
            }
            if (!inlineValue && !option->valueOptional && i + 1 >= args.size())
                return usageError(a + " needs a value");
            const std::string value = inlineValue ? *inlineValue : option->valueOptional ? std::string() : args[++i];
            if (const std::string why = option->take(value); !why.empty())
                return usageError(why);
            given_.push_back({a, value, false});
            continue;
        }
        if (next < operands_.size())
            *operands_[next++].second = a;
        else if (rest_.second)
            rest_.second->push_back(a);
        else
            return usageError("unexpected argument '" + a + "'");
    }
    if (next < operands_.size())
        return usageError(std::string("missing ") + operands_[next].first);
    if (rest_.second && rest_.second->empty())
        return usageError(std::string("missing ") + rest_.first);
    return -1;
}

int CommandLine::usageError(const std::string &what) const {
    std::fprintf(stderr, "cantora-cli: %s: %s\n%s", command_, what.c_str(), usage_.c_str());
    return kUsageError;
}

int CommandLine::fail(const std::string &what) const {
    std::fprintf(stderr, "cantora-cli: %s: %s\n", command_, what.c_str());
    return kFailed;
}

void CommandLine::note(const std::string &what) const {
    if (!manners().quiet)
        std::fprintf(stderr, "cantora-cli: %s: %s\n", command_, what.c_str());
}

void CommandLine::summary(const std::string &out, double seconds, const std::string &notes) const {
    std::string text = "wrote " + (out == "-" ? std::string("standard output") : out);
    std::string details;
    if (seconds >= 0) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.2f s of audio", seconds);
        details = buf;
    }
    if (!notes.empty())
        details += (details.empty() ? "" : "; ") + notes;
    note(details.empty() ? text : text + " (" + details + ")");
}

int CommandLine::checkOutput(const std::string &out, bool force, const std::vector<std::string> &inputs) const {
    if (out == "-")
        return -1;
    struct stat st {};
    const bool exists = ::lstat(out.c_str(), &st) == 0;
    struct stat target {};
    if (exists && ::stat(out.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        return fail(out + " is a folder; name a file");
    for (const std::string &in : inputs)
        if (!in.empty() && in != "-" && core::sameFile(in, out))
            return fail(out + " is the input " + in + " itself; choose another output");
    if (exists && !force) {
        fail(out + " already exists (--force replaces it)");
        return kRefused;
    }
    return -1;
}

int CommandLine::checkInput(const std::string &path) const {
    struct stat st {};
    if (path == "-" || ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode))
        return -1;
    return fail(path + (S_ISDIR(st.st_mode) ? ": is a folder" : ": not a regular file"));
}

} // namespace cantora::cli
