#include "tags/karaokeassembly.h"

#include "tags/audioframes.h"
#include "tags/genres.h"
#include "tags/id3module.h"
#include "tags/id3v1tag.h"
#include "tags/mp3info.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace cantora::tags {

std::string WorkFile(const std::string &folder, const char *name) {
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool ConvertedSongWaiting(const std::string &folder) {
    std::error_code ec;
    const fs::path p = WorkFile(folder, kSyncroMp3);
    return fs::is_regular_file(p, ec) && fs::file_size(p, ec) > 0 && !ec;
}

namespace {

// Genre byte for a list index: index - 1, or 12 ("Other") for the empty entry or no choice.
std::uint8_t genreByteFromIndex(long index) {
    return index <= 0 || index >= kGenreListSize ? std::uint8_t{12} : static_cast<std::uint8_t>(index - 1);
}

void noteFit(SaveOutcome &out, const Id3v1Fit &fit) {
    if (!fit.cutFields.empty())
        out.notes += "cut to fit: " + fit.cutFields + ". ";
    if (!fit.utf8Fields.empty())
        out.notes += "written in UTF-8: " + fit.utf8Fields + ". ";
}

// The write of one record and one lyric text, after reading the file again
// so the tag module knows where the old block and tag lie. The old tag's
// track number stays, and so does a genre byte the list has no name for
// (255, "none") unless `genreChosen`.
bool writeOnce(Id3Module &module, const SaveRequest &request, Id3v1Tag record, const std::string &lyrics,
               SaveOutcome &out, bool genreChosen = true) {
    module.GetMp3Info(request.fileName);
    if (!module.OpenError().empty()) {
        out.failures.push_back(module.OpenError());
        return false;
    }
    const std::string &old = module.Id3v1Bytes();
    SetId3v1Track(record, Id3v1Track(old));
    if (!genreChosen && !old.empty() && GenreName(static_cast<std::uint8_t>(old[127])).empty())
        record.Genre = static_cast<std::uint8_t>(old[127]);
    if (request.releaseFile)
        request.releaseFile();
    const TagWriteResult result = module.WriteLyricsTag(request.fileName, record, lyrics);
    if (request.resumeFile)
        request.resumeFile();
    if (!result) {
        out.failures.push_back(result.error);
        return false;
    }
    if (result.lyricsUtf8)
        out.notes += "lyrics written in UTF-8. ";
    return true;
}

// The ID3v2 tag after a Save: the fields written to the ID3v1 tag (in full)
// and the lyrics the Lyrics3 block got, lines and stamps as USLT and SYLT
// (no lyrics given: the tag's own stay).
void writeId3v2(const SaveRequest &request, Id3v2Edit edit, const std::optional<std::string> &lyricText,
                SaveOutcome &out) {
    if (lyricText) {
        const Id3v2Edit lyricsEdit = LyricsEdit(*lyricText);
        edit.lyrics = lyricsEdit.lyrics;
        edit.synced = lyricsEdit.synced;
    }
    edit.create = lyricText && !lyricText->empty();
    if (request.releaseFile)
        request.releaseFile();
    const std::string why = WriteId3v2(request.fileName, edit);
    if (request.resumeFile)
        request.resumeFile();
    if (!why.empty())
        out.failures.push_back("ID3v2: " + why);
}

std::string genreName(long byte) { return std::string(GenreName(static_cast<int>(byte))); }

// A field left empty leaves the frame as another program wrote it: the
// editor shows the ID3v1 fields only, so an empty box is no wish to clear.
std::optional<std::string> givenText(const std::string &text) {
    std::string t = TrimSpaces(text);
    return t.empty() ? std::nullopt : std::optional<std::string>(std::move(t));
}

} // namespace

Id3v2Edit KaraokeId3v2Edit(const std::string &title, const std::string &artist, const std::string &album,
                           const std::string &year, const std::string &comment, int genreByte,
                           const lyrics::KaraokeLyrics *lyrics) {
    Id3v2Edit edit;
    edit.title = givenText(title);
    edit.artist = givenText(artist);
    edit.album = givenText(album);
    edit.year = givenText(year);
    edit.comment = givenText(comment);
    edit.genre = givenText(genreName(genreByte));
    if (lyrics && !lyrics->syllables.empty()) {
        edit.lyrics = lyrics->exactLrc;
        edit.synced = lyrics->syllables;
    }
    return edit;
}

Id3v1Tag ApplyBoxRecord(const SaveRequest &request, const Mp3Info &old) {
    const EditorFields &f = request.fields;
    std::uint8_t genre = genreByteFromIndex(f.genreIndex);
    if (!request.apply[3] && !old.Genre.empty())
        genre = static_cast<std::uint8_t>(std::atoi(old.Genre.c_str()) - 1);
    return MakeId3v1Tag(old.Title, request.apply[0] ? f.artist : old.Artist, request.apply[1] ? f.album : old.Album,
                        request.apply[2] ? f.year : old.Year, old.Comment, genre);
}

Id3v1Tag PendingRecord(const PendingRow &row, Id3v1Fit *fit) {
    return MakeId3v1Tag(row.sub[1], row.sub[2], row.sub[3], row.sub[4], row.sub[7],
                        genreByteFromIndex(std::atol(row.sub[5].c_str())), fit);
}

SaveOutcome SaveTags(Id3Module &module, const SaveRequest &request) {
    SaveOutcome out;
    const bool fromRow = request.pending && !TrimSpaces(request.pending->sub[1]).empty();
    if (const std::string notAudio = NotMpegAudio(request.fileName); !notAudio.empty()) {
        // A WAV, a text or an empty file gets no tag appended.
        out.failures.push_back(notAudio);
    } else if (fromRow) {
        // The row's record and the lyric box replace tag and block wholesale,
        // so the apply-box write that would come first changes nothing that
        // survives; leaving it out means one write, which either happens
        // completely or leaves the file as it was.
        Id3v1Fit fit;
        const Id3v1Tag record = PendingRecord(*request.pending, &fit);
        noteFit(out, fit);
        const std::string lyricText = TrimSpaces(WithCrLf(request.fields.lyrics));
        const long genre = std::atol(request.pending->sub[5].c_str());
        const bool genreChosen = genre > 0 && genre < kGenreListSize;
        out.written = writeOnce(module, request, record, lyricText, out, genreChosen);
        if (out.written && request.id3v2Lyrics) {
            const PendingRow &row = *request.pending;
            writeId3v2(request,
                       KaraokeId3v2Edit(row.sub[1], row.sub[2], row.sub[3], row.sub[4], row.sub[7],
                                        genreChosen ? static_cast<int>(genreByteFromIndex(genre)) : -1, nullptr),
                       lyricText, out);
        }
    } else {
        // Only the ticked fields change; title, comment and lyrics stay.
        const Mp3Info old = module.GetMp3Info(request.fileName);
        const Id3v1Tag record = ApplyBoxRecord(request, old);
        out.written = writeOnce(module, request, record, TrimSpaces(old.Lyrics), out);
        if (out.written && request.id3v2Lyrics) {
            const EditorFields &f = request.fields;
            Id3v2Edit edit;
            if (request.apply[0])
                edit.artist = TrimSpaces(f.artist);
            if (request.apply[1])
                edit.album = TrimSpaces(f.album);
            if (request.apply[2])
                edit.year = TrimSpaces(f.year);
            if (request.apply[3])
                edit.genre = genreName(genreByteFromIndex(f.genreIndex));
            const std::string kept = TrimSpaces(old.Lyrics);
            writeId3v2(request, edit, kept.empty() ? std::nullopt : std::optional<std::string>(kept), out);
        }
    }

    if (!request.outputFile.empty()) {
        const std::string syncro = WorkFile(request.appFolder, kSyncroMp3);
        std::error_code ec;
        if (!out.written) {
            out.failures.push_back("not copied to " + request.outputFile);
        } else if (fs::exists(syncro, ec)) {
            const std::string err = CopyOver(syncro, request.outputFile);
            if (err.empty())
                out.copied = true;
            else
                out.failures.push_back("copy to " + request.outputFile + ": " + err);
        }
    }
    return out;
}

std::string CopyOver(const std::string &from, const std::string &to) {
    std::error_code ec;
    if (fs::equivalent(from, to, ec))
        return {};
    const fs::path target(to);
    const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".part");
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return std::strerror(errno);
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return std::strerror(err);
    }
    char buf[1 << 16];
    int err = 0;
    while (true) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                err = errno;
                break;
            }
            done += w;
        }
        if (err)
            break;
    }
    if (!err && ::fsync(out) != 0)
        err = errno;
    ::close(in);
    if (::close(out) != 0 && !err)
        err = errno;
    if (!err && ::rename(temp.c_str(), to.c_str()) != 0)
        err = errno;
    if (err) {
        ::unlink(temp.c_str());
        return std::strerror(err);
    }
    return {};
}

void DeleteWorkFiles(const std::string &folder) {
    std::error_code ec;
    fs::remove(WorkFile(folder, kSyncroLrc), ec);
    fs::remove(WorkFile(folder, kSyncroMp3), ec);
}

} // namespace cantora::tags
