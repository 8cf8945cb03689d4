#include "core/safeoutput.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>

namespace cantora::core {

namespace {

// Folder and name of a path ("." for a bare name).
std::pair<std::string, std::string> split(const std::string &path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string join(const std::string &dir, const std::string &name) {
    return dir == "." ? name : dir == "/" ? "/" + name : dir + "/" + name;
}

} // namespace

void keepFileSizeSignalAway() {
    struct sigaction old {};
    if (sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

// Temporary files of `target` left by writers that no longer run (or, with
// `own`, this process's).
void removeLeftovers(const std::string &dir, const std::string &prefix, bool own = false) {
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent *e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0 || name.size() < prefix.size() + 5 ||
            name.compare(name.size() - 5, 5, ".part") != 0)
            continue;
        char *end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-' || (pid == ::getpid()) != own)
            continue;
        if (own || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))
            ::unlinkat(::dirfd(d), name.c_str(), 0);
    }
    ::closedir(d);
}

void syncFolder(const std::string &dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

SafeOutput::~SafeOutput() { abandon(); }

std::string SafeOutput::tempPrefix(const std::string &target) {
    // Long names are cut so that the temporary name stays a legal name.
    return "." + split(target).second.substr(0, 200) + ".cantora-";
}

void SafeOutput::removeOwnTemporaries(const std::string &target) {
    removeLeftovers(split(target).first, tempPrefix(target), true);
}

bool SafeOutput::fail(const std::string &path, int err) {
    error_ = "cannot write " + path + ": " + std::strerror(err ? err : EIO);
    abandon();
    return false;
}

bool SafeOutput::open(const std::string &target, bool replace) {
    abandon();
    keepFileSizeSignalAway();
    target_ = target;
    replace_ = replace;
    existed_ = false;
    error_.clear();
    const std::string dir = split(target).first;
    const std::string prefix = tempPrefix(target);
    removeLeftovers(dir, prefix);

    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::mt19937 random(device());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + std::to_string(::getpid()) + "-";
        for (int k = 0; k < 8; ++k)
            name += kLetters[random() % (sizeof kLetters - 1)];
        temp_ = join(dir, name + ".part");
        fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return true;
        if (errno != EEXIST) {
            const int err = errno;
            temp_.clear();
            return fail(target, err);
        }
    }
    temp_.clear();
    return fail(target, EEXIST);
}

std::FILE *SafeOutput::stream() {
    if (!stream_ && fd_ >= 0)
        stream_ = ::fdopen(fd_, "w+b");
    return stream_;
}

bool SafeOutput::write(std::string_view bytes) {
    if (fd_ < 0)
        return false;
    if (stream_) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size())
            return fail(target_, errno);
        return true;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(target_, n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SafeOutput::commit() {
    if (fd_ < 0)
        return false;
    if (stream_ && std::fflush(stream_) != 0)
        return fail(target_, errno);
    if (::fsync(fd_) != 0)
        return fail(target_, errno);
    // A replaced file keeps its permissions and, as far as allowed, its owner.
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) [[maybe_unused]]
            const int rc = ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
        ::fchmod(fd_, old.st_mode & 07777);
    }
    const int rc = stream_ ? std::fclose(stream_) : ::close(fd_);
    const int closeErr = errno;
    stream_ = nullptr;
    fd_ = -1;
    if (rc != 0)
        return fail(target_, closeErr);

    int renamed = 0;
    if (replace_) {
        renamed = ::rename(temp_.c_str(), target_.c_str());
    } else {
        renamed = ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
        if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the flag: a link refuses an existing name too.
            renamed = ::link(temp_.c_str(), target_.c_str());
            if (renamed == 0)
                ::unlink(temp_.c_str());
        }
    }
    if (renamed != 0) {
        const int err = errno;
        if (err == EEXIST) {
            existed_ = true;
            error_ = target_ + " already exists";
            abandon();
            return false;
        }
        return fail(target_, err);
    }
    temp_.clear();
    syncFolder(split(target_).first);
    return true;
}

void SafeOutput::abandon() {
    if (stream_)
        std::fclose(stream_);
    else if (fd_ >= 0)
        ::close(fd_);
    stream_ = nullptr;
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}

std::string writeFileSafely(const std::string &path, std::string_view bytes, bool replace) {
    SafeOutput out;
    if (!out.open(path, replace) || !out.write(bytes) || !out.commit())
        return out.error();
    return {};
}

std::string copyFileSafely(const std::string &from, const std::string &to, bool replace) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return "cannot read " + from + ": " + std::strerror(errno);
    SafeOutput out;
    std::string error;
    if (out.open(to, replace)) {
        char block[65536];
        for (;;) {
            const ssize_t got = ::read(in, block, sizeof block);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                error = "cannot read " + from + ": " + std::strerror(errno);
                break;
            }
            if (got == 0) {
                if (!out.commit())
                    error = out.error();
                break;
            }
            if (!out.write(std::string_view(block, static_cast<std::size_t>(got)))) {
                error = out.error();
                break;
            }
        }
    } else {
        error = out.error();
    }
    ::close(in);
    return error;
}

} // namespace cantora::core
