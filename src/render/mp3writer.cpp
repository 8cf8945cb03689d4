#include "render/mp3writer.h"

#include "render/numberederror.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace cantora::render {

namespace {

const char *errorText(long code) {
    switch (code) {
    case cMp3Writer::ErrAllocate: return "Unable to allocate output buffer for writing";
    case cMp3Writer::ErrOpen: return "Unable to open file for writing";
    case cMp3Writer::ErrTooMuch: return "Cannot write more data than is available in the buffer";
    case cMp3Writer::ErrNotOpen: return "File not open for writing";
    case cMp3Writer::ErrWrite: return "Failed to write buffer to file";
    }
    return "";
}

[[noreturn]] void raise(long code, const char *operation, const std::string &description = {}) {
    throw NumberedError(cMp3Writer::kErrorBase + code, ErrorSource(operation),
                        description.empty() ? errorText(code) : description);
}

// What a failed write of `name` raises: the file and the system's reason.
[[noreturn]] void raiseWrite(const std::string &name) {
    raise(cMp3Writer::ErrWrite, "WriteBufferToFile",
          "cannot write " + name + ": " + std::strerror(errno ? errno : EIO));
}

} // namespace

cMp3Writer::cMp3Writer() = default;

cMp3Writer::~cMp3Writer() {
    buffer_.reset();
    try {
        CloseFile();
    } catch (...) {}
}

const std::string &cMp3Writer::Filename() const { return filename_; }

void cMp3Writer::Filename(const std::string &name) {
    CloseFile();
    filename_ = name;
    if (!buffer_)
        allocate(bufferSize_);
    // Read and write access, created empty: an existing file is replaced.
    owned_ = true;
    file_ = name.empty() ? nullptr : std::fopen(name.c_str(), "w+b");
    if (!file_)
        raise(ErrOpen, "OpenFile");
}

void cMp3Writer::Attach(std::FILE *file, const std::string &name) {
    CloseFile();
    filename_ = name;
    if (!buffer_)
        allocate(bufferSize_);
    owned_ = false;
    file_ = file;
    if (!file_)
        raise(ErrOpen, "OpenFile");
}

std::int64_t cMp3Writer::BufferSize() const { return bufferSize_; }

void cMp3Writer::BufferSize(std::int64_t bytes) {
    buffer_.reset();
    allocate(bytes);
}

void cMp3Writer::allocate(std::int64_t bytes) {
    buffer_.reset();
    bufferSize_ = 0;
    if (bytes <= 0 || bytes > kMaxBufferSize)
        raise(ErrAllocate, "AllocateBuffer");
    try {
        buffer_.reset(new std::uint8_t[static_cast<std::size_t>(bytes)]());
    } catch (const std::bad_alloc &) {
        raise(ErrAllocate, "AllocateBuffer");
    }
    bufferSize_ = bytes;
}

std::uint8_t *cMp3Writer::BufferPointer() { return buffer_.get(); }

std::int64_t cMp3Writer::WriteBufferToFile(std::int64_t bytes) {
    if (bytes < 0 || bytes > bufferSize_)
        raise(ErrTooMuch, "WriteBufferToFile");
    if (!file_ || !buffer_)
        raise(ErrNotOpen, "WriteBufferToFile");
    if (bytes == 0)
        return 0;
    if (std::fwrite(buffer_.get(), 1, static_cast<std::size_t>(bytes), file_) != static_cast<std::size_t>(bytes))
        raiseWrite(filename_);
    return bytes;
}

void cMp3Writer::WriteBufferAt(std::int64_t offset, std::int64_t bytes) {
    if (bytes < 0 || bytes > bufferSize_)
        raise(ErrTooMuch, "WriteBufferToFile");
    if (!file_ || !buffer_)
        raise(ErrNotOpen, "WriteBufferToFile");
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0 ||
        std::fwrite(buffer_.get(), 1, static_cast<std::size_t>(bytes), file_) != static_cast<std::size_t>(bytes) ||
        fseeko(file_, 0, SEEK_END) != 0)
        raiseWrite(filename_);
}

void cMp3Writer::CloseFile() {
    if (!file_)
        return;
    // A failed final flush (disk full) would otherwise pass unseen.
    const bool ok = std::fflush(file_) == 0;
    const int err = errno;
    if (owned_)
        std::fclose(file_);
    file_ = nullptr;
    if (!ok) {
        errno = err;
        raiseWrite(filename_);
    }
}

} // namespace cantora::render
