#pragma once
// Byte I/O shared by the file readers and writers: random-access byte
// sources, whole-range reads and writes on a descriptor that survive
// interrupted calls, and the little- and big-endian numbers of the binary
// formats (RIFF is little-endian, MIDI big-endian).
//
// The tag readers look at a few hundred bytes at the head and the tail of a
// file that may be hundreds of megabytes long, so they ask a source for
// ranges instead of taking the whole file. A source is used from one thread
// at a time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cantora::core {

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

// An open descriptor of known size seen as a source (a file being
// rewritten, a stream read with stdio). The descriptor stays the caller's.
class DescriptorSource : public ByteSource {
public:
    DescriptorSource(int fd, std::int64_t size) : fd_(fd), size_(size) {}
    std::int64_t size() const override { return size_; }
    std::size_t read(std::int64_t offset, char *out, std::size_t n) const override;

private:
    int fd_;
    std::int64_t size_;
};

// Reads exactly `n` bytes at `offset` of descriptor `fd` into `out`;
// false (errno set, or 0 at the end of the file) when fewer came.
bool readFullyAt(int fd, char *out, std::size_t n, std::int64_t offset);
// Writes all of `bytes` at `offset` of descriptor `fd`; false (errno set) when it could not.
bool writeFullyAt(int fd, std::string_view bytes, std::int64_t offset);

// Writes `bytes` as the whole of `path` through a part file beside it that
// is renamed over it, so a failed write leaves the old file (or none) and no
// part file. Returns "" when written, else what failed.
std::string writeWholeFile(const std::string &path, std::string_view bytes);

// Numbers stored in bytes; `at` must leave room for the whole number.
inline std::uint16_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}
inline std::uint32_t le32(std::string_view b, std::size_t at) {
    return std::uint32_t(le16(b, at)) | std::uint32_t(le16(b, at + 2)) << 16;
}
inline std::uint16_t be16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(std::uint8_t(b[at]) << 8 | std::uint8_t(b[at + 1]));
}
inline std::uint32_t be32(std::string_view b, std::size_t at) {
    return std::uint32_t(be16(b, at)) << 16 | std::uint32_t(be16(b, at + 2));
}

} // namespace cantora::core
