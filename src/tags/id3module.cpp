#include "tags/id3module.h"

#include "core/byteio.h"
#include "core/safeoutput.h"
#include "core/textcodec.h"
#include "tags/audioframes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace cantora::tags {

namespace {

constexpr std::int64_t kTagSize = 128;
constexpr std::size_t kHeadSize = 4096; // bytes searched for the first frame header

std::string trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

std::string withoutNuls(std::string s) {
    std::erase(s, '\0');
    return s;
}

// Numeric value of the leading decimal digits; 0 when there are none.
std::int64_t leadingNumber(std::string_view digits) {
    std::int64_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            break;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string zeroFilled(std::size_t value, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*zu", width, value);
    return buf;
}

std::string twoDigits(std::int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(v));
    return buf;
}

std::string formatLength(std::int32_t seconds) {
    const std::int32_t hours = seconds / 3600;
    const std::int32_t minutes = (seconds / 60) % 60;
    std::string s = hours > 0 ? twoDigits(hours) + ":" : std::string();
    return s + twoDigits(minutes) + ":" + twoDigits(seconds % 60);
}

// Megabytes with at most two decimals, half-even rounding, no trailing zeros.
std::string formatSize(std::int64_t bytes) {
    const double hundredths = std::nearbyint(static_cast<double>(bytes) / 1024.0 / 1024.0 * 100.0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", hundredths / 100.0);
    std::string s = buf;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s + " MB";
}

// Frame header, byte 1 (the second): 1111 V LL P with V the version bit
// (1 = MPEG 1, 0 = MPEG 2), LL the layer (11 = I, 10 = II, 01 = III, 00
// reserved) and P the protection bit (0 = CRC follows). Values below F2
// (MPEG 2.5, reserved layers) are never taken as a frame start.
bool isSyncSecondByte(std::uint8_t x) {
    return Id3Module::InByteRange(x, 0xF2, 0xF7) || Id3Module::InByteRange(x, 0xFA, 0xFF);
}

// Byte 2: bitrate index in the high nibble, then two sampling-rate bits,
// padding and private bit. The low nibble 0..3 is rate 00, 4..7 rate 01,
// 8..15 rate 10 (the reserved 11 shows as the lowest rate).
constexpr std::array<std::int32_t, 3> kMpeg1Rates = {44100, 48000, 32000};
constexpr std::array<std::int32_t, 3> kMpeg2Rates = {22050, 24000, 16000};

// Bitrate tables in kbit/s, indexed by the bitrate index; one per version
// for all layers. Index 0 (free format) and 15 (bad) keep the values the
// display has always shown.
constexpr std::array<std::int32_t, 16> kMpeg1Bitrates = {24,  32,  40,  48,  56,  64,  80,  96,
                                                         112, 128, 160, 192, 224, 256, 320, 320};
constexpr std::array<std::int32_t, 16> kMpeg2Bitrates = {0,  8,  16, 24,  32,  40,  48,  56,
                                                         64, 80, 96, 112, 128, 144, 160, 176};

// Byte 3: channel mode in bits 7..6, mode extension, copyright bit 3,
// original bit 2, emphasis in bits 1..0.
constexpr std::array<const char *, 4> kChannelModes = {"Stereo", "Joint Stereo", "2 Channel", "Mono"};
constexpr std::array<const char *, 4> kEmphasis = {"None", "50/15 microsec", "invalid", "CITT j. 17"};

} // namespace

Mp3Info Id3Module::GetMp3Info(const std::string &path) {
    core::FileSource file;
    if (!file.open(path)) {
        CurrentFile = path;
        info_ = Mp3Info{};
        id3v1Bytes_.clear();
        HasId3v1 = false;
        LyricsTagFound = false;
        LyricsBlockDamaged = false;
        DurationSeconds = 0;
        readLength_ = -1;
        openError_ = file.error();
        return info_;
    }
    Mp3Info info = GetMp3Info(file, path);
    openError_.clear();
    return info;
}

Mp3Info Id3Module::GetMp3Info(const ByteSource &file, const std::string &name) {
    CurrentFile = name;
    info_ = Mp3Info{};
    HasId3v1 = false;
    LyricsTagFound = false;
    LyricsBlockDamaged = false;
    DurationSeconds = 0;
    openError_.clear();
    ReadMp3File(file);
    readLength_ = file.size();

    Mp3Info out = info_;
    for (std::string *s : {&out.Bitrate, &out.ChannelMode, &out.Copyrighted, &out.Crcs, &out.Emphasis, &out.Frequency,
                           &out.Layer, &out.Length, &out.MpegVersion, &out.Original, &out.Size, &out.Reserved,
                           &out.Title, &out.Artist, &out.Album, &out.Year, &out.Comment, &out.Genre, &out.Lyrics})
        *s = trimSpaces(*s);
    return out;
}

void Id3Module::readId3v1(const ByteSource &file) {
    HasId3v1 = false;
    id3v1Bytes_.clear();
    const std::int64_t length = file.size();
    if (length < kTagSize)
        return;
    const std::string tag = file.readString(length - kTagSize, kTagSize);
    if (tag.size() != kTagSize || tag.compare(0, 3, "TAG") != 0)
        return;
    HasId3v1 = true;
    id3v1Bytes_ = tag;
    const auto text = [&](std::size_t at, std::size_t width) {
        return withoutNuls(trimSpaces(core::toUtf8(std::string_view(tag).substr(at, width))));
    };
    info_.Title = text(3, 30);
    info_.Artist = text(33, 30);
    info_.Album = text(63, 30);
    info_.Year = text(93, 4);
    info_.Comment = trimSpaces(text(97, Id3v1Track(tag) ? 28 : 30));
    info_.Genre = std::to_string(static_cast<std::uint8_t>(tag[127]) + 1);
}

void Id3Module::ReadMp3File(const ByteSource &file) {
    readId3v1(file);

    // The 9-byte end marker "LYRICS200" ends right before the ID3v1 tag, or
    // at the end of the file without one.
    LyricsTagFound = false;
    const std::int64_t marker = file.size() - (HasId3v1 ? kTagSize + 9 : 9);
    if (marker >= 0 && file.readString(marker, 6) == "LYRICS") {
        HasLyricsMarker = true;
        LyricsTagFound = ReadLyricsTag(file);
    }

    ReadFrameInfo(file);
}

bool Id3Module::ReadLyricsTag(const ByteSource &file) {
    // Positions here are 1-based, as LyricsStart is handed out.
    const std::int64_t length = file.size();
    const std::int64_t end = length - (HasId3v1 ? kTagSize + 8 : 8); // "LYRICS200"
    if (end < 1 || file.readString(end - 1, 9) != "LYRICS200")
        return false;
    const std::int64_t sizeAt = end - 6; // six digits: bytes from "LYRICSBEGIN" to the last field
    if (sizeAt < 1)
        return false;
    const std::int64_t begin = sizeAt - leadingNumber(file.readString(sizeAt - 1, 6));
    LyricsStart = begin;
    if (begin < 1 || file.readString(begin - 1, 11) != "LYRICSBEGIN")
        return false;

    // Fields: 3-byte id, 5 length digits, data. Only LYR is kept (the last
    // one when there are several); IND, EAL and the others are stepped over.
    // A length is taken as it stands, even past the block's end.
    std::int64_t p = begin + 11;
    while (p < end - 9) {
        const std::string id = file.readString(p - 1, 3);
        const std::int64_t n = leadingNumber(file.readString(p + 2, 5));
        if (id == "LYR")
            info_.Lyrics = trimSpaces(core::toUtf8(file.readString(p + 7, static_cast<std::size_t>(n))));
        p += 8 + n;
    }
    // In a sound block the fields end exactly where the size digits begin.
    LyricsBlockDamaged = p != sizeAt;
    return true;
}

void Id3Module::ReadFrameInfo(const ByteSource &file) {
    // The search starts after a leading ID3v2 tag (cover art makes it far
    // larger than the bytes searched), else at the start of the file.
    const std::optional<Id3v2Span> tag = LeadingId3v2(file);
    std::array<std::uint8_t, kHeadSize> head{};
    file.read(tag ? tag->end : 0, reinterpret_cast<char *>(head.data()), head.size());

    // A frame may start at the first 4092 offsets (its header then lies in the bytes read).
    std::size_t at = 0;
    for (;; ++at) {
        if (at + 4 >= kHeadSize)
            return; // no frame header: every frame text stays empty
        if (head[at] == 0xFF && isSyncSecondByte(head[at + 1]))
            break;
    }
    const std::uint8_t x1 = head[at + 1];
    const std::uint8_t x2 = head[at + 2];
    const std::uint8_t x3 = head[at + 3];

    info_.Crcs = (x1 & 0x01) == 0 ? "Yes" : "No";
    const bool mpeg2 = InByteRange(x1, 0xF2, 0xF7);
    info_.MpegVersion = mpeg2 ? "MPEG 2.0" : "MPEG 1.0";
    if (InByteRange(x1, 0xFA, 0xFB) || InByteRange(x1, 0xF2, 0xF3))
        info_.Layer = "layer 3";
    else if (InByteRange(x1, 0xFC, 0xFD) || InByteRange(x1, 0xF4, 0xF5))
        info_.Layer = "layer 2";
    else
        info_.Layer = "layer 1";

    const std::uint8_t s = x2 & 0x0F;
    const std::size_t rateIndex = s < 4 ? 0 : s < 8 ? 1 : 2;
    info_.Frequency = std::to_string((mpeg2 ? kMpeg2Rates : kMpeg1Rates)[rateIndex]) + " Hz";

    const std::int32_t kbps = (mpeg2 ? kMpeg2Bitrates : kMpeg1Bitrates)[x2 >> 4];
    info_.Bitrate = std::to_string(kbps);

    // Constant-bitrate play time from the whole file length, tags included.
    const std::int64_t length = file.size();
    const auto bytesPerMs = static_cast<std::int64_t>(std::nearbyint(kbps / 8.0));
    if (bytesPerMs == 0)
        return; // free-format MPEG 2: no rate to divide by, the analysis ends here
    DurationSeconds = static_cast<std::int32_t>(length / bytesPerMs / 1000);

    // A Xing header is looked for only at frame offset 36 (MPEG 1 stereo);
    // its frame count is the big-endian word at offsets 44..47.
    // Bytes past the 4096 read end the analysis like any other failed read.
    if (at + 40 > kHeadSize)
        return;
    std::int32_t seconds;
    if (std::memcmp(&head[at + 36], "Xing", 4) == 0) {
        if (at + 48 > kHeadSize)
            return;
        const std::int64_t frames = (head[at + 45] << 16) | (head[at + 46] << 8) | head[at + 47];
        const std::optional<VbrInfo> vbr = ComputeVbrInfo(length, frames);
        if (!vbr)
            return;
        info_.Bitrate = vbr->bitrate;
        seconds = vbr->seconds;
    } else {
        info_.Bitrate += " Kbps";
        seconds = DurationSeconds;
    }
    info_.Length = formatLength(seconds);

    info_.Copyrighted = (x3 & 0x08) ? "Yes" : "No";
    info_.Original = (x3 & 0x04) ? "Yes" : "No";
    info_.Emphasis = kEmphasis[x3 & 0x03];
    info_.ChannelMode = kChannelModes[x3 >> 6];
    info_.Size = formatSize(length);
}

std::optional<VbrInfo> Id3Module::ComputeVbrInfo(std::int64_t fileLength, std::int64_t frames) {
    // 1152-sample frames at 44.1 kHz: 38 frames a second, 39 every third.
    // The first 57 frames (encoder delay and the Xing frame itself) are not counted.
    std::int64_t remaining = frames - 57;
    std::int32_t n = 0;
    while (remaining > 0) {
        ++n;
        remaining -= 38 + ExtraFrameStep(n);
    }
    // The average is worked out in 32-bit arithmetic: no seconds, or a file
    // of 256 MB and more, gives no average at all.
    const std::int64_t bits = fileLength * 8;
    const std::int64_t ms = static_cast<std::int64_t>(n) * 1000;
    if (n == 0 || bits > INT32_MAX || ms > INT32_MAX)
        return std::nullopt;
    return VbrInfo{std::to_string(bits / ms) + " Kbit (VBR)", n};
}

std::string Id3Module::LyricsBlock(std::string_view encodedLyrics) {
    if (encodedLyrics.empty())
        return {};
    std::string block = "LYRICSBEGIN";
    block += "LYR";
    block += zeroFilled(encodedLyrics.size(), 5);
    block += encodedLyrics;
    block += zeroFilled(block.size(), 6);
    block += "LYRICS200";
    return block;
}

TagWriteResult Id3Module::WriteLyricsTag(const std::string &path, const Id3v1Tag &tag, std::string_view lyrics) {
    bool utf8 = false;
    const std::string bytes = core::encodeForWriting(lyrics, &utf8);
    if (bytes.size() > kMaxLyricsLength) {
        TagWriteResult result;
        result.error = "the lyrics take " + std::to_string(bytes.size()) + " bytes; a Lyrics3 v2 block holds at most " +
                       std::to_string(kMaxLyricsLength);
        return result;
    }
    TagWriteResult result = writeTail(path, LyricsBlock(bytes) + tag.Bytes(), false);
    result.lyricsUtf8 = utf8;
    return result;
}

TagWriteResult Id3Module::WriteId3v1Tag(const std::string &path, const Id3v1Tag &tag) {
    return writeTail(path, tag.Bytes(), true);
}

TagWriteResult Id3Module::writeTail(const std::string &path, const std::string &tail, bool keepLyrics) {
    TagWriteResult result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = std::strerror(errno);
        return result;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.error = std::strerror(errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = "not a regular file";
        return result;
    }
    const std::int64_t length = st.st_size;

    // The write position comes from the last read. Make sure the file still
    // looks that way, so a stale state can never cut into the audio.
    const std::optional<std::int64_t> at =
        path == CurrentFile ? WritePosition(core::DescriptorSource(fd, length)) : std::nullopt;
    if (!at) {
        result.error = "the file is not as it was when last read; read it again before writing";
        return result;
    }
    const std::int64_t w = keepLyrics ? (HasId3v1 ? length - kTagSize : length) : *at;

    // The new file is written beside the old one and renamed over it: until
    // it is complete the old file stays as it was. A link keeps pointing at
    // the file it named.
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    core::SafeOutput out;
    // Errors name the file as the caller named it, not as the link resolves.
    const auto failed = [&] {
        result.error = out.error();
        if (const auto from = result.error.find(out.target()); from != std::string::npos)
            result.error.replace(from, out.target().size(), path);
        return result;
    };
    if (!out.open(ec ? path : real.string(), true))
        return failed();
    std::string chunk(std::size_t(1) << 20, '\0');
    for (std::int64_t done = 0; done < w;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(w - done, std::int64_t(chunk.size())));
        if (!core::readFullyAt(fd, chunk.data(), n, done)) {
            result.error = std::string("cannot read ") + path + ": " + std::strerror(errno ? errno : EIO);
            return result;
        }
        if (!out.write(std::string_view(chunk.data(), n)))
            return failed();
        done += static_cast<std::int64_t>(n);
    }
    if (!out.write(tail) || !out.commit())
        return failed();

    // The state now describes the file as it was: the next write needs a new read.
    readLength_ = -1;
    result.ok = true;
    return result;
}

std::optional<std::int64_t> Id3Module::WritePosition(const ByteSource &file) const {
    const std::int64_t length = file.size();
    if (readLength_ < 0 || readLength_ != length)
        return std::nullopt;
    if (HasId3v1 && file.readString(length - kTagSize, 3) != "TAG")
        return std::nullopt;
    if (!LyricsTagFound)
        return HasId3v1 ? length - kTagSize : length;
    // LyricsStart is 1-based.
    if (LyricsStart < 1 || file.readString(LyricsStart - 1, 11) != "LYRICSBEGIN")
        return std::nullopt;
    return LyricsStart - 1;
}

bool Id3Module::TruncateFile(const std::string &path, std::int64_t length) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (st.st_size <= length)
        return true;
    return ::truncate(path.c_str(), static_cast<off_t>(length)) == 0;
}

} // namespace cantora::tags
