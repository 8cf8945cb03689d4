#include "render/wavreader.h"

#include "core/riff.h"
#include "render/numberederror.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace cantora::render {

namespace {

const char *errorText(long code) {
    switch (code) {
    case cWavReader::ErrNotStereo16: return "Only stereo 16 bit wave files supported.";
    case cWavReader::ErrOpen: return "Unable to open file.";
    case cWavReader::ErrNotWave: return "Not a Wave file.";
    case cWavReader::ErrNoFormat: return "Unable to retrieve format chunk";
    case cWavReader::ErrReadFormat: return "Error reading format";
    case cWavReader::ErrNoFileOpen: return "No Wave File Open";
    case cWavReader::ErrMemory: return "Insufficient memory";
    case cWavReader::ErrPosition: return "Position out of range";
    case cWavReader::ErrBufferWhileOpen: return "Cannot change buffer size whilst a file is open.";
    }
    return "";
}

using core::le16;
using core::le32;

// A chunk found while walking the RIFF form: where its body starts and how
// long the header says it is.
struct Chunk {
    bool found = false;
    std::int64_t body = 0;
    std::uint32_t size = 0;
};

// The format area holds this much of the format chunk; only the first 18
// bytes are used, longer chunks are read in part.
constexpr std::size_t kFormatArea = 50;
// The smallest format chunk that carries the fields up to bits per sample.
constexpr std::uint32_t kMinFormatChunk = 16;

} // namespace

cWavReader::cWavReader() = default;

cWavReader::~cWavReader() {
    try {
        CloseFile();
    } catch (...) {}
}

const std::string &cWavReader::Filename() const { return filename_; }

void cWavReader::Filename(const std::string &name) {
    if (OpenFile(name))
        filename_ = name;
}

void cWavReader::raise(Error code) {
    throw NumberedError(kErrorBase + code, ErrorSource("cWavePlayer"), errorText(code));
}

void cWavReader::fail(Error code) {
    CloseFile();
    raise(code);
}

void cWavReader::seekTo(std::int64_t filePos) {
    if (fseeko(file_, static_cast<off_t>(filePos), SEEK_SET) != 0)
        raise(ErrPosition);
    pos_ = filePos;
}

bool cWavReader::OpenFile(const std::string &name) {
    CloseFile();
    if (name.empty())
        return false;

    file_ = std::fopen(name.c_str(), "rb");
    if (!file_)
        raise(ErrOpen);
    std::setvbuf(file_, nullptr, _IOFBF, 65536);

    // Bytes that really exist: sizes in headers written by a program that
    // stopped early (or by a streaming writer) may promise more.
    if (fseeko(file_, 0, SEEK_END) != 0)
        fail(ErrOpen);
    const std::int64_t fileSize = ftello(file_);
    if (fileSize < 0 || fseeko(file_, 0, SEEK_SET) != 0)
        fail(ErrOpen);

    // RIFF head: "RIFF", size, form type "WAVE".
    char head[12];
    if (std::fread(head, 1, 12, file_) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        fail(ErrNotWave);
    std::int64_t formEnd = 8 + static_cast<std::int64_t>(le32(std::string_view(head, 12), 4));
    if (formEnd < 12 || formEnd > fileSize)
        formEnd = fileSize;

    // Walk the chunks in whatever order they come; anything but "fmt " and
    // "data" is skipped. The first of each counts.
    Chunk fmt, data;
    core::walkRiffChunks(core::DescriptorSource(fileno(file_), formEnd), 12, formEnd, [&](const core::RiffChunk &c) {
        if (!fmt.found && c.id == "fmt ")
            fmt = {true, c.body, c.size};
        else if (!data.found && c.id == "data")
            data = {true, c.body, c.size};
        return !(fmt.found && data.found);
    });

    if (!fmt.found)
        fail(ErrNoFormat);
    std::array<char, kFormatArea> area{};
    const std::size_t want = std::min<std::size_t>(fmt.size, kFormatArea);
    if (fmt.size < kMinFormatChunk || fseeko(file_, static_cast<off_t>(fmt.body), SEEK_SET) != 0 ||
        std::fread(area.data(), 1, want, file_) != want)
        fail(ErrReadFormat);
    const std::string_view f(area.data(), area.size());
    format_.formatTag = le16(f, 0);
    format_.channels = le16(f, 2);
    format_.sampleRate = le32(f, 4);
    format_.bytesPerSecond = le32(f, 8);
    format_.blockAlign = le16(f, 12);
    format_.bitsPerSample = le16(f, 14);
    format_.extraSize = fmt.size >= 18 ? le16(f, 16) : 0;

    // Compressed data is no more "16-bit stereo" than 8-bit data is, whatever
    // its header claims; only plain PCM (or its extensible form) is read.
    const bool pcm = format_.formatTag == 1 || format_.formatTag == 0xFFFE;
    if (!pcm || format_.bitsPerSample != 16 || format_.channels != 2)
        fail(ErrNotStereo16);

    if (!data.found)
        fail(ErrNoFileOpen);
    dataStart_ = data.body;
    dataSize_ = std::min<std::int64_t>(data.size, std::max<std::int64_t>(0, fileSize - dataStart_));
    if (fseeko(file_, static_cast<off_t>(dataStart_), SEEK_SET) != 0)
        fail(ErrPosition);
    pos_ = dataStart_;

    // A block never holds more than the data, so a file never costs more
    // memory than its own size, whatever buffer size was asked for.
    const std::int64_t bytes = std::max<std::int64_t>(4, std::min(bufferBytes_, (dataSize_ + 3) / 4 * 4));
    buffer_.reset();
    try {
        buffer_.reset(new std::int16_t[static_cast<std::size_t>(bytes / 2)]());
    } catch (const std::bad_alloc &) {
        fail(ErrMemory);
    }
    return true;
}

void cWavReader::CloseFile() {
    if (!file_)
        return;
    std::fclose(file_);
    file_ = nullptr;
    buffer_.reset();
    delivered_ = 0;
    dataStart_ = 0;
    dataSize_ = 0;
    pos_ = 0;
}

bool cWavReader::Read() {
    if (!file_)
        raise(ErrNoFileOpen);
    const std::int64_t remaining = dataStart_ + dataSize_ - pos_;
    const bool last = bufferBytes_ >= remaining;
    const std::int64_t want = last ? std::max<std::int64_t>(0, remaining) : bufferBytes_;
    std::size_t got = 0;
    if (want > 0)
        got = std::fread(buffer_.get(), 1, static_cast<std::size_t>(want), file_);
    pos_ += static_cast<std::int64_t>(got);
    delivered_ = static_cast<std::int64_t>(got);
    // A short read means the file shrank under us: what was read is the end.
    return !last && got == static_cast<std::size_t>(want);
}

std::int64_t cWavReader::ReadSize() const { return delivered_ / 4; }

const std::int16_t *cWavReader::ReadBufferPtr() const { return buffer_.get(); }

std::int64_t cWavReader::ReadBufferSize() const { return bufferBytes_ / 4; }

void cWavReader::ReadBufferSize(std::int64_t samples) {
    if (file_)
        raise(ErrBufferWhileOpen);
    // A block of no samples would never reach the end of the data.
    bufferBytes_ = std::max<std::int64_t>(1, samples) * 4;
}

std::int64_t cWavReader::AudioLength() const { return dataSize_ / 4; }

std::int64_t cWavReader::BufferStartPosition() const { return pos_ - dataStart_; }

void cWavReader::SeekAbsolute(std::int64_t pos) {
    if (!file_)
        raise(ErrNoFileOpen);
    if (pos < 0 || pos > dataSize_ / 4)
        raise(ErrPosition);
    seekTo(dataStart_ + pos * 4);
}

void cWavReader::SeekRelative(std::int64_t delta) {
    if (!file_)
        raise(ErrNoFileOpen);
    // Far out of range first, so that delta * 4 cannot overflow.
    if (delta > dataSize_ || delta < -dataSize_)
        raise(ErrPosition);
    const std::int64_t target = (pos_ - dataStart_) + delta * 4;
    if (target < 0 || target > dataSize_)
        raise(ErrPosition);
    seekTo(dataStart_ + target);
}

const WavFormat &cWavReader::Format() const { return format_; }

} // namespace cantora::render
