#pragma once
// cWavReader: reads the samples of a stereo 16-bit PCM WAV file block by
// block into a buffer whose address it hands out, so the encoder can pass
// them straight to the MP3 library.
//
// Lengths and positions count stereo frames of 4 bytes ("samples"), except
// BufferStartPosition, which counts bytes. Errors are NumberedError 29670 +
// code with source "<executable>.cWavePlayer". One reader belongs to one
// thread; it is not shared.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace cantora::render {

// The first 18 bytes of a WAV format chunk.
struct WavFormat {
    std::uint16_t formatTag = 0;      // 1 = PCM, 0xFFFE = extensible
    std::uint16_t channels = 0;       // channel count
    std::uint32_t sampleRate = 0;     // frames per second
    std::uint32_t bytesPerSecond = 0; // as stored, not checked
    std::uint16_t blockAlign = 0;     // as stored, not checked
    std::uint16_t bitsPerSample = 0;  // bits of one channel's sample
    std::uint16_t extraSize = 0;      // size of the extension (0 when absent)
};

class cWavReader {
public:
    // Error codes; the number raised is 29670 + code.
    enum Error : long {
        ErrNotStereo16 = 1,
        ErrOpen = 2,
        ErrNotWave = 3,
        ErrNoFormat = 4,
        ErrReadFormat = 5,
        ErrNoFileOpen = 6,
        ErrMemory = 7,
        ErrPosition = 8,
        ErrBufferWhileOpen = 9,
    };
    static constexpr long kErrorBase = 29670;                   // number = base + code
    static constexpr std::int64_t kDefaultBufferBytes = 131072; // 32768 samples

    cWavReader();  // no file open, default buffer size
    ~cWavReader(); // closes the file, ignoring errors
    cWavReader(const cWavReader &) = delete;
    cWavReader &operator=(const cWavReader &) = delete;

    const std::string &Filename() const;    // the name of the open file
    void Filename(const std::string &name); // opens name; stores it only on success

    bool OpenFile(const std::string &name); // opens and checks a file; true when ready
    void CloseFile();                       // closes the file and frees the buffer

    bool Read();                               // next block; true when more data follows it
    std::int64_t ReadSize() const;             // samples delivered by the last Read
    const std::int16_t *ReadBufferPtr() const; // the last block, interleaved L/R
    std::int64_t ReadBufferSize() const;       // buffer size in samples
    void ReadBufferSize(std::int64_t samples); // refused (error 9) while a file is open
    std::int64_t AudioLength() const;          // data size in samples
    std::int64_t BufferStartPosition() const;  // read position from the data start, bytes
    void SeekAbsolute(std::int64_t pos);       // read position := sample pos
    void SeekRelative(std::int64_t delta);     // read position += delta samples

    const WavFormat &Format() const; // format record of the open file

private:
    [[noreturn]] void raise(Error code); // closes nothing; throws the numbered error
    [[noreturn]] void fail(Error code);  // closes the file, then raises
    void seekTo(std::int64_t filePos);   // moves the file position

    std::FILE *file_ = nullptr;
    WavFormat format_;
    std::int64_t dataStart_ = 0; // file offset of the first sample byte
    std::int64_t dataSize_ = 0;  // bytes of sample data that really exist
    std::int64_t pos_ = 0;       // current file offset
    std::unique_ptr<std::int16_t[]> buffer_;
    std::int64_t bufferBytes_ = kDefaultBufferBytes;
    std::int64_t delivered_ = 0; // bytes delivered by the last Read
    std::string filename_;
};

} // namespace cantora::render
