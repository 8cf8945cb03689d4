#include "core/byteio.h"

#include "core/safeoutput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace cantora::core {

std::string ByteSource::readString(std::int64_t offset, std::size_t n) const {
    // Never more than the source holds, whatever a length field asked for.
    const std::int64_t left = size() - offset;
    if (offset < 0 || left <= 0)
        return {};
    n = std::min<std::size_t>(n, static_cast<std::size_t>(left));
    std::string out(n, '\0');
    out.resize(read(offset, out.data(), n));
    return out;
}

std::size_t MemorySource::read(std::int64_t offset, char *out, std::size_t n) const {
    if (offset < 0 || offset >= size())
        return 0;
    const auto at = static_cast<std::size_t>(offset);
    const std::size_t count = std::min(n, bytes_.size() - at);
    std::memcpy(out, bytes_.data() + at, count);
    return count;
}

FileSource::~FileSource() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileSource::open(const std::string &path) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
    error_.clear();
    // Non-blocking, so a FIFO or a device is refused below instead of
    // waiting in open() for a writer that never comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error_ = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error_ = "is a directory";
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error_ = "not a regular file";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = static_cast<std::int64_t>(st.st_size);
    return true;
}

std::size_t FileSource::read(std::int64_t offset, char *out, std::size_t n) const {
    if (fd_ < 0 || offset < 0)
        return 0;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t DescriptorSource::read(std::int64_t offset, char *out, std::size_t n) const {
    if (offset < 0 || offset >= size_)
        return 0;
    n = std::min<std::size_t>(n, static_cast<std::size_t>(size_ - offset));
    return readFullyAt(fd_, out, n, offset) ? n : 0;
}

bool readFullyAt(int fd, char *out, std::size_t n, std::int64_t offset) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got =
            ::pread(fd, out + done, n - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool writeFullyAt(int fd, std::string_view bytes, std::int64_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string writeWholeFile(const std::string &path, std::string_view bytes) { return writeFileSafely(path, bytes); }

} // namespace cantora::core
