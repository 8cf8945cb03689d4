#pragma once
// Writing a file so that no reader ever sees it half written and a failure
// never costs the user the file that was there before:
//
//   SafeOutput out;
//   if (!out.open("song.mp3", replace)) ... out.error()
//   write through out.stream() or out.fd()
//   if (!out.commit()) ... out.error()   // else the file is in place
//
// open() creates a temporary file with a name no one else has, beside the
// target (".song.mp3.cantora-<pid>-<random>.part": O_CREAT|O_EXCL|O_NOFOLLOW,
// never an existing path, never through a link). commit() flushes, fsyncs,
// gives the file the mode and owner of the file it replaces and renames it
// over the target: the rename is the only step that touches the target.
// Without `replace` the rename refuses a target that appeared meanwhile.
// Anything else (failure, cancel, destruction) removes the temporary file.
//
// open() also removes the temporary files of earlier writers of the same
// target that died without cleaning up (their pid is in the name), and sets
// SIGXFSZ aside so that a file size limit gives an error ("File too large")
// instead of killing the process.

#include <cstdio>
#include <string>
#include <string_view>

namespace cantora::core {

// SIGXFSZ set aside (unless someone handles it): past a file size limit,
// write() fails with EFBIG instead of the process being killed.
void keepFileSizeSignalAway();

class SafeOutput {
public:
    SafeOutput() = default;
    ~SafeOutput();
    SafeOutput(const SafeOutput &) = delete;
    SafeOutput &operator=(const SafeOutput &) = delete;

    // False (see error()) when the temporary file cannot be created.
    bool open(const std::string &target, bool replace);
    // The temporary file, open for reading and writing.
    int fd() const { return fd_; }
    std::FILE *stream();
    const std::string &tempPath() const { return temp_; }
    const std::string &target() const { return target_; }

    // Appends all bytes; false (see error()) on failure.
    bool write(std::string_view bytes);
    // Puts the finished file in place; false (see error()) when it is not.
    bool commit();
    // Closes and removes the temporary file.
    void abandon();

    // "cannot write PATH: strerror", or "PATH already exists" (existed() true).
    const std::string &error() const { return error_; }
    bool existed() const { return existed_; }

    // The prefix every temporary name of `target` starts with (".NAME.cantora-").
    static std::string tempPrefix(const std::string &target);
    // Removes this process's temporary files of `target` at once (a cancel
    // from another thread, before the writer notices it).
    static void removeOwnTemporaries(const std::string &target);

private:
    bool fail(const std::string &path, int err);

    std::string target_, temp_, error_;
    int fd_ = -1;
    std::FILE *stream_ = nullptr;
    bool replace_ = false;
    bool existed_ = false;
};

// The whole of `bytes` as the file at `path` (replaced when present);
// empty on success, else the error text.
std::string writeFileSafely(const std::string &path, std::string_view bytes, bool replace = true);
// A copy of the file `from` as `to`, written the same way; empty on success, else the error text.
std::string copyFileSafely(const std::string &from, const std::string &to, bool replace = true);

} // namespace cantora::core
