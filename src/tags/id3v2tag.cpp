#include "tags/id3v2tag.h"

#include "core/byteio.h"
#include "lyrics/lrcformat.h"
#include "tags/audioframes.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace cantora::tags {

namespace {

namespace fs = std::filesystem;
using TagLib::ByteVector;
using TagLib::String;
namespace ID3v2 = TagLib::ID3v2;

// Language of the comment and lyric frames: unknown.
const ByteVector kLanguage("XXX", 3);

std::string utf8(const String &s) { return s.to8Bit(true); }
String fromUtf8(const std::string &s) { return String(s, String::UTF8); }

std::int64_t be(std::string_view b, std::size_t at, int n, bool syncsafe) {
    std::int64_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << (syncsafe ? 7 : 8)) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

bool isFrameIdChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// The first damage in the frames of a whole tag (header included): a frame
// whose size runs past the end of the tag, a frame without a valid name,
// an extended header larger than the tag. Tags whose frames cannot be
// walked on the raw bytes (whole-tag unsynchronisation before version 4)
// are taken as they are.
std::string frameDamage(std::string_view tag, int version) {
    const auto flags = static_cast<unsigned char>(tag[5]);
    if (version < 2 || version > 4)
        return "ID3v2 version 2." + std::to_string(version) + " is unknown";
    if (version < 4 && (flags & 0x80))
        return {};
    const auto end = static_cast<std::int64_t>(tag.size()) - ((version == 4 && (flags & 0x10)) ? 10 : 0);
    std::int64_t p = 10;
    if (version > 2 && (flags & 0x40)) {
        if (p + 4 > end)
            return "the ID3v2 extended header runs past the end of the tag";
        p += version == 3 ? 4 + be(tag, 10, 4, false) : be(tag, 10, 4, true);
        if (p > end)
            return "the ID3v2 extended header runs past the end of the tag";
    }
    const int idLength = version == 2 ? 3 : 4;
    const int headerLength = version == 2 ? 6 : 10;
    while (p + headerLength <= end && tag[static_cast<std::size_t>(p)] != '\0') {
        const std::string_view id = tag.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(idLength));
        const auto at = static_cast<std::size_t>(p + idLength);
        for (char c : id)
            if (!isFrameIdChar(c))
                return "the ID3v2 frame at byte " + std::to_string(p) + " has no valid name";
        // Version 4 sizes are 7-bit bytes; some writers put plain numbers there.
        const bool syncsafe = version == 4 && (be(tag, at, 4, false) & 0x80808080) == 0;
        const std::int64_t size = version == 2 ? be(tag, at, 3, false) : be(tag, at, 4, syncsafe);
        if (p + headerLength + size > end)
            return "the ID3v2 frame " + std::string(id) + " at byte " + std::to_string(p) + " claims " +
                   std::to_string(size) + " bytes, past the end of the tag";
        p += headerLength + size;
    }
    return {};
}

std::string pastEnd(const core::ByteSource &file) {
    const std::string h = file.readString(0, 10);
    if (h.size() < 10 || h.compare(0, 3, "ID3") != 0)
        return {};
    if (LeadingId3v2(file))
        return {};
    return "the ID3v2 tag's size runs past the end of the file (" + std::to_string(file.size()) + " bytes)";
}

// The tag library reads the size of a 2.3 extended header as 2.4 gives it
// (the size field counted in) and so misses every frame of such a tag:
// it is given the tag without that header.
std::string withoutV23ExtendedHeader(std::string tag) {
    if (tag.size() < 14 || tag[3] != 3 || (tag[5] & 0xC0) != 0x40)
        return tag;
    const auto header = static_cast<std::size_t>(4 + be(tag, 10, 4, false));
    if (10 + header > tag.size())
        return tag;
    tag.erase(10, header);
    tag[5] = static_cast<char>(tag[5] & ~0x40);
    tag.replace(6, 4, ID3v2::SynchData::fromUInt(static_cast<unsigned int>(tag.size() - 10)).data(), 4);
    return tag;
}

// A tag parsed from the bytes of the file's leading tag.
struct ParsedTag {
    std::string bytes;
    std::unique_ptr<TagLib::ByteVectorStream> stream;
    std::unique_ptr<TagLib::MPEG::File> file;
    ID3v2::Tag *tag = nullptr;

    explicit ParsedTag(std::string b) : bytes(std::move(b)) {
        const std::string readable = withoutV23ExtendedHeader(bytes);
        stream = std::make_unique<TagLib::ByteVectorStream>(
            ByteVector(readable.data(), static_cast<unsigned int>(readable.size())));
        file = std::make_unique<TagLib::MPEG::File>(stream.get(), ID3v2::FrameFactory::instance(), false);
        tag = file->hasID3v2Tag() ? file->ID3v2Tag() : nullptr;
    }
};

// The SYLT frame read back: timed in milliseconds, lyrics before other content.
const ID3v2::SynchronizedLyricsFrame *bestSylt(const ID3v2::Tag &tag) {
    const ID3v2::SynchronizedLyricsFrame *best = nullptr;
    for (ID3v2::Frame *f : tag.frameList("SYLT")) {
        const auto *s = dynamic_cast<const ID3v2::SynchronizedLyricsFrame *>(f);
        if (!s || s->timestampFormat() != ID3v2::SynchronizedLyricsFrame::AbsoluteMilliseconds)
            continue;
        if (s->type() == ID3v2::SynchronizedLyricsFrame::Lyrics)
            return s;
        if (!best)
            best = s;
    }
    return best;
}

void setText(ID3v2::Tag &tag, const char *id, const std::optional<std::string> &value, String::Type encoding) {
    if (!value)
        return;
    tag.removeFrames(id);
    if (value->empty())
        return;
    auto *f = new ID3v2::TextIdentificationFrame(ByteVector(id, 4), encoding);
    f->setText(fromUtf8(*value));
    tag.addFrame(f);
}

void applyEdit(ID3v2::Tag &tag, const Id3v2Edit &edit, String::Type encoding) {
    setText(tag, "TIT2", edit.title, encoding);
    setText(tag, "TPE1", edit.artist, encoding);
    setText(tag, "TALB", edit.album, encoding);
    if (edit.year) // the older frames a year may be in, which version 3 would write twice
        for (const char *old : {"TYER", "TDAT", "TIME"})
            tag.removeFrames(old);
    setText(tag, "TDRC", edit.year, encoding);
    setText(tag, "TCON", edit.genre, encoding);
    if (edit.comment) {
        // The comment without a description is the one tag editors show;
        // described ones (player data) stay.
        const ID3v2::FrameList comments = tag.frameList("COMM");
        for (ID3v2::Frame *f : comments)
            if (const auto *c = dynamic_cast<ID3v2::CommentsFrame *>(f); c && c->description().isEmpty())
                tag.removeFrame(f, true);
        if (!edit.comment->empty()) {
            auto *c = new ID3v2::CommentsFrame(encoding);
            c->setLanguage(kLanguage);
            c->setText(fromUtf8(*edit.comment));
            tag.addFrame(c);
        }
    }
    if (edit.lyrics) {
        tag.removeFrames("USLT");
        if (!edit.lyrics->empty()) {
            auto *u = new ID3v2::UnsynchronizedLyricsFrame(encoding);
            u->setLanguage(kLanguage);
            u->setText(fromUtf8(*edit.lyrics));
            tag.addFrame(u);
        }
    }
    if (edit.synced) {
        tag.removeFrames("SYLT");
        if (!edit.synced->empty()) {
            auto *s = new ID3v2::SynchronizedLyricsFrame(encoding);
            s->setLanguage(kLanguage);
            s->setTimestampFormat(ID3v2::SynchronizedLyricsFrame::AbsoluteMilliseconds);
            s->setType(ID3v2::SynchronizedLyricsFrame::Lyrics);
            ID3v2::SynchronizedLyricsFrame::SynchedTextList list;
            for (const lyrics::SyncedText &e : *edit.synced)
                list.append(ID3v2::SynchronizedLyricsFrame::SynchedText(e.ms, fromUtf8(e.text)));
            s->setSynchedText(list);
            tag.addFrame(s);
        }
    }
}

// FNV-1a over a byte range, to check a copy.
struct Fnv {
    std::uint64_t h = 14695981039346656037ull;
    void add(const char *p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
    }
};

std::uint64_t hashFrom(const core::ByteSource &src, std::int64_t from) {
    Fnv f;
    std::string buf(1 << 20, '\0');
    for (std::int64_t at = from; at < src.size();) {
        const std::size_t n = src.read(at, buf.data(), buf.size());
        if (n == 0)
            break;
        f.add(buf.data(), n);
        at += static_cast<std::int64_t>(n);
    }
    return f.h;
}

// Writes `head` and then the bytes of `src` from `from` on to a new file
// beside `path` (same permissions), checks that the copied bytes hash as
// the originals, and renames it over `path`. Empty on success; on failure
// the temporary file is removed and `path` is as it was.
std::string replaceHead(const std::string &path, const core::ByteSource &src, const std::string &head,
                        std::int64_t from) {
    std::error_code ec;
    const fs::path target = fs::canonical(path, ec); // a link keeps pointing at the file it named
    if (ec)
        return ec.message();
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || ::access(target.c_str(), W_OK) != 0)
        return std::strerror(errno); // a read-only file stays read-only, though its folder is not
    static std::atomic<unsigned> counter{0};
    const fs::path temp = target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                                                  "." + std::to_string(counter++) + ".tmp");
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return "cannot create a temporary file beside it: " + std::string(std::strerror(errno));
    const auto failed = [&](const std::string &why) {
        ::close(fd);
        ::unlink(temp.c_str());
        return why;
    };
    if (::fchmod(fd, st.st_mode & 07777) != 0)
        return failed(std::strerror(errno));
    std::int64_t out = 0;
    if (!core::writeFullyAt(fd, head, out))
        return failed(std::strerror(errno));
    out += static_cast<std::int64_t>(head.size());
    std::string buf(1 << 20, '\0');
    for (std::int64_t at = from; at < src.size();) {
        const std::size_t n = src.read(at, buf.data(), buf.size());
        if (n == 0)
            return failed("the file could not be read to its end");
        if (!core::writeFullyAt(fd, std::string_view(buf.data(), n), out))
            return failed(std::strerror(errno));
        at += static_cast<std::int64_t>(n);
        out += static_cast<std::int64_t>(n);
    }
    if (::fsync(fd) != 0)
        return failed(std::strerror(errno));
    if (::close(fd) != 0) {
        ::unlink(temp.c_str());
        return std::strerror(errno);
    }
    // What was written after the tag must be exactly what followed the old one.
    core::FileSource written;
    const bool same = written.open(temp.string()) && written.size() == out &&
                      hashFrom(written, static_cast<std::int64_t>(head.size())) == hashFrom(src, from);
    if (!same || ::rename(temp.c_str(), target.c_str()) != 0) {
        const std::string why = same ? std::strerror(errno) : "the copy of the audio does not match the original";
        ::unlink(temp.c_str());
        return why;
    }
    if (const int dir = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace

Id3v2Info ReadId3v2(const core::ByteSource &file) {
    Id3v2Info info;
    info.damage = pastEnd(file);
    const std::optional<Id3v2Span> span = LeadingId3v2(file);
    if (!span)
        return info;
    info.present = true;
    info.version = span->version;
    info.size = span->end;
    ParsedTag parsed(file.readString(0, static_cast<std::size_t>(span->end)));
    info.damage = frameDamage(parsed.bytes, span->version);
    if (!parsed.tag)
        return info;
    for (const ID3v2::Frame *f : parsed.tag->frameList()) {
        const std::string id(f->frameID().data(), f->frameID().size());
        if ((id.front() == 'T' || id == "COMM"))
            info.textFrames.emplace_back(id, utf8(f->toString()));
    }
    for (const ID3v2::Frame *f : parsed.tag->frameList("USLT"))
        if (const auto *u = dynamic_cast<const ID3v2::UnsynchronizedLyricsFrame *>(f)) {
            info.lyrics = utf8(u->text());
            break;
        }
    if (const ID3v2::SynchronizedLyricsFrame *s = bestSylt(*parsed.tag))
        for (const auto &e : s->synchedText())
            info.synced.push_back({e.time, utf8(e.text)});
    return info;
}

Id3v2Render RenderId3v2(const core::ByteSource &file, const Id3v2Edit &edit, int version) {
    Id3v2Render out;
    const bool noChange = !edit.title && !edit.artist && !edit.album && !edit.year && !edit.comment && !edit.genre &&
                          !edit.lyrics && !edit.synced;
    if (noChange && version == 0)
        return out; // a tag another program wrote is not rendered anew for nothing
    if (std::string why = pastEnd(file); !why.empty()) {
        out.error = std::move(why);
        return out;
    }
    const std::optional<Id3v2Span> span = LeadingId3v2(file);
    std::optional<ParsedTag> parsed;
    ID3v2::Tag fresh;
    ID3v2::Tag *tag = &fresh;
    if (span) {
        parsed.emplace(file.readString(0, static_cast<std::size_t>(span->end)));
        std::string damage = frameDamage(parsed->bytes, span->version);
        if (!damage.empty() && (!edit.dropDamaged || span->version < 2 || span->version > 4)) {
            out.error = std::move(damage);
            return out;
        }
        if (!parsed->tag) {
            out.error = "the ID3v2 tag cannot be read";
            return out;
        }
        tag = parsed->tag;
        out.replaces = span->end;
        if (version == 0 && span->version == 3)
            version = 3;
    }
    if (version != 3)
        version = 4;
    applyEdit(*tag, edit, version == 4 ? String::UTF8 : String::UTF16);
    if (!span && (!edit.create || tag->frameList().isEmpty()))
        return out; // no tag before, none needed now
    const ByteVector bytes = tag->render(version == 4 ? ID3v2::v4 : ID3v2::v3);
    out.tag.assign(bytes.data(), bytes.size());
    return out;
}

std::optional<int> Id3v2VersionOption(std::string_view text) {
    if (text == "none")
        return 0;
    if (text == "3" || text == "4")
        return text[0] - '0';
    return std::nullopt;
}

std::string WriteId3v2(const std::string &path, const Id3v2Edit &edit, int version) {
    core::FileSource file;
    if (!file.open(path))
        return file.error();
    const Id3v2Render r = RenderId3v2(file, edit, version);
    if (!r.error.empty())
        return r.error;
    if (r.tag == file.readString(0, static_cast<std::size_t>(r.replaces)))
        return {}; // the tag already says all this
    return replaceHead(path, file, r.tag, r.replaces);
}

Id3v2Edit LyricsEdit(std::string_view lrc) {
    Id3v2Edit edit;
    edit.lyrics = std::string(lrc);
    edit.synced = lyrics::syncedFromLrc(lrc);
    return edit;
}

std::string FormatId3v2(const Id3v2Info &info) {
    if (!info.present)
        return info.damage.empty() ? "ID3v2: none\n" : "ID3v2: none (" + info.damage + ")\n";
    std::string out =
        "ID3v2: version 2." + std::to_string(info.version) + ", " + std::to_string(info.size) + " bytes\n";
    if (!info.damage.empty())
        out += "  damaged: " + info.damage + "\n";
    for (const auto &[id, text] : info.textFrames)
        out += "  " + id + ": " + text + "\n";
    if (!info.lyrics.empty()) {
        out += "  USLT:\n";
        std::size_t start = 0;
        while (start < info.lyrics.size()) {
            std::size_t end = info.lyrics.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = info.lyrics.size();
            out += "    " + info.lyrics.substr(start, end - start) + "\n";
            start = info.lyrics.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
        }
    }
    if (!info.synced.empty())
        out += "  SYLT: " + std::to_string(info.synced.size()) + " entries, " +
               lyrics::lrcExactTag(info.synced.front().ms / 1000.0) + " to " +
               lyrics::lrcExactTag(info.synced.back().ms / 1000.0) + "\n";
    return out;
}

std::string Id3v2LyricLines(const Id3v2Info &info) {
    return info.synced.empty() ? info.lyrics : lyrics::lrcFromSynced(info.synced);
}

} // namespace cantora::tags
