#pragma once
// Random-access byte sources for the tag readers. The readers look at a few
// hundred bytes at the head and the tail of a file that may be hundreds of
// megabytes long, so they ask for ranges instead of taking the whole file.
// A source is used from one thread at a time.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace cantora::tags {

// Read-only view of a sequence of bytes with a known length.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Number of bytes in the source.
    virtual std::int64_t size() const = 0;
    // Copies up to `n` bytes starting at `offset` (0-based) into `out`;
    // returns how many were copied (fewer at the end, 0 past it).
    virtual std::size_t read(std::int64_t offset, char *out, std::size_t n) const = 0;
    // Convenience: the bytes at [offset, offset + n), cut at the end.
    std::string readString(std::int64_t offset, std::size_t n) const;
};

// Bytes held in memory (tests, fuzzing). The view must outlive the source.
class MemorySource : public ByteSource {
public:
    // Wraps `bytes` without copying them.
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::size_t read(std::int64_t offset, char *out, std::size_t n) const override;

private:
    std::string_view bytes_;
};

// A regular file opened for reading; open() says why it could not be.
class FileSource : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;
    // Opens `path`; false (with error() set) for a missing file, a directory
    // or anything else that is not a readable regular file.
    bool open(const std::string &path);
    // Why the last open() failed, as a sentence for the user.
    const std::string &error() const { return error_; }
    std::int64_t size() const override { return size_; }
    std::size_t read(std::int64_t offset, char *out, std::size_t n) const override;

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
    std::string error_;
};

} // namespace cantora::tags
