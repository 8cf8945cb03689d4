#pragma once
// cMp3Writer: owns the MP3 output file and a buffer that the encoder library
// fills with MP3 bytes; the writer then appends the filled part to the file.
//
// Calling order: BufferSize (the size the library asks for), Filename (creates
// the file, replacing an existing one), then per block let the library fill
// BufferPointer and call WriteBufferToFile, finally CloseFile. Errors are
// NumberedError 29870 + code with source "<executable>.<operation>"; a
// failed write says which file and why ("cannot write F: No space left on
// device"). One
// writer belongs to one thread.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace cantora::render {

class cMp3Writer {
public:
    // Error codes; the number raised is 29870 + code.
    enum Error : long {
        ErrAllocate = 1,
        ErrOpen = 2,
        ErrTooMuch = 3,
        ErrNotOpen = 4,
        ErrWrite = 5,
    };
    static constexpr long kErrorBase = 29870;                // number = base + code
    static constexpr std::int64_t kDefaultBufferSize = 8192; // bytes at creation
    static constexpr std::int64_t kMaxBufferSize = 64 << 20; // larger requests fail

    cMp3Writer();  // no file, no buffer yet
    ~cMp3Writer(); // frees the buffer, closes the file
    cMp3Writer(const cMp3Writer &) = delete;
    cMp3Writer &operator=(const cMp3Writer &) = delete;

    const std::string &Filename() const;    // the name last given
    void Filename(const std::string &name); // closes any file, creates name (errors 1, 2)
    // Writes into `file`, which the caller owns (core::SafeOutput); `name`
    // names it in messages. CloseFile then only flushes it.
    void Attach(std::FILE *file, const std::string &name);

    std::int64_t BufferSize() const;     // buffer size in bytes (0 after a failed allocation)
    void BufferSize(std::int64_t bytes); // replaces the buffer (error 1 on failure)
    std::uint8_t *BufferPointer();       // where the library writes MP3 bytes

    std::int64_t WriteBufferToFile(std::int64_t bytes); // appends the first bytes; returns them
    // Writes the first bytes of the buffer over the file at offset, then goes
    // back to the end; puts the finished Info frame in place of its placeholder.
    void WriteBufferAt(std::int64_t offset, std::int64_t bytes);
    void CloseFile(); // closes the file if open

private:
    void allocate(std::int64_t bytes); // error 1 on failure, size 0

    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int64_t bufferSize_ = kDefaultBufferSize;
    std::FILE *file_ = nullptr;
    bool owned_ = true;
    std::string filename_;
};

} // namespace cantora::render
