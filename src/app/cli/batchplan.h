#pragma once
// What `cantora-cli batch` decides before it runs anything: the songs under
// the source folders (or listed), each one's output under DIR with the
// folder tree mirrored, and, from the manifest kept in DIR, which outputs
// are already complete for the same input and settings.
//
// The manifest ".cantora-batch.tsv" holds one line per output: its path
// below DIR, the input's size and modification time, a hash of the
// settings, and the output's size, modification time and hash. Lines are
// appended as songs finish (a later line wins), and the file is rewritten
// whole, through a temporary file, when the batch ends.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cantora::cli::batchjob {

// The song file names batch takes, lower case.
bool isSongName(const std::string &name);

struct Song {
    std::string input;  // as found
    std::string output; // DIR/relative
    std::string rel;    // the output below DIR: the manifest's key
};

// Every song under the folders in `sources` (the tree below each mirrored
// under `outDir`) and every song file listed (put in `outDir` itself),
// sorted by output; `extension` (".mp3") replaces the song's. Two songs
// that would share an output keep their whole names ("a.kar.mp3").
// Sources that are neither go to `problems`.
std::vector<Song> findSongs(const std::vector<std::string> &sources, const std::string &outDir,
                            const std::string &extension, std::vector<std::string> &problems);

// A file's size and modification time (nanoseconds); nothing when missing.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp &) const = default;
};
std::optional<FileStamp> stampOf(const std::string &path);

// 64-bit FNV-1a, as 16 hex digits: of a text, or of a file's bytes ("" when unreadable).
std::string hashText(const std::string &text);
std::string hashFile(const std::string &path);

struct ManifestEntry {
    std::string rel;
    FileStamp input;
    std::string settings;
    FileStamp output;
    std::string outputHash;
};

class Manifest {
public:
    static constexpr const char *kName = ".cantora-batch.tsv";
    explicit Manifest(const std::string &outDir);
    // Reads the lines there are; a damaged line is skipped.
    void load();
    const ManifestEntry *find(const std::string &rel) const;
    // Records an output at once (one appended line); "" or what failed.
    std::string record(const ManifestEntry &e);
    // The file rewritten with one line per output, when anything was
    // recorded; "" or what failed.
    std::string compact() const;

private:
    std::string path_;
    bool changed_ = false;
    std::map<std::string, ManifestEntry> entries_;
};

// What to do with one song.
enum class Decision {
    Run,     // no output yet
    Replace, // run with --force: an output of ours for other input or settings, or --force given
    Skip,    // complete for the same input and settings
    Adopt,   // --resume: an output made outside the pool, recorded as done
    Refuse,  // an output this batch did not make; left alone
};
Decision decide(const Song &song, const Manifest &manifest, const std::string &settings, bool force, bool resume);

// `word` as one word for a POSIX shell.
std::string shellQuote(const std::string &word);

} // namespace cantora::cli::batchjob
