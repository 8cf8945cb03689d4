#include "audio/songfile.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cantora::audio {

namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

SongBytes failed(SongFileError e) {
    SongBytes r;
    r.error = e;
    return r;
}

} // namespace

SongBytes readSongFile(const std::string &path, std::uint64_t offset, std::uint64_t length) {
    if (path.empty())
        return failed(SongFileError::Open);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return failed(SongFileError::Open);
    if (!S_ISREG(st.st_mode))
        return failed(SongFileError::NotRegular);
    // Non-blocking, in case the path was swapped for a FIFO since the check;
    // the descriptor's own type is what counts from here on.
    Fd f;
    f.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (f.fd < 0)
        return failed(SongFileError::Open);
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return failed(SongFileError::NotRegular);

    SongBytes r;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t from = std::min(offset, size);
    r.available = length ? std::min(length, size - from) : size - from;
    r.overLimit = r.available > kMaxSongBytes;
    const std::uint64_t want = std::min(r.available, kMaxSongBytes);
    r.bytes.resize(static_cast<std::size_t>(want));
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::pread(f.fd, r.bytes.data() + got, want - got, static_cast<off_t>(from + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed(SongFileError::Read);
        if (n == 0)
            break; // the file shrank while being read
        got += static_cast<std::size_t>(n);
    }
    r.bytes.resize(got);
    return r;
}

} // namespace cantora::audio
