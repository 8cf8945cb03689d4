// cantora-cli batch SRC... --out DIR [--to mp3|mp3+g|wav|lrc] [--jobs N]
//     [--force] [--resume] [--print-jobs] [--report FILE.json|.csv] [song options]
// A whole library at once: every song under the SRC folders (or listed) to
// DIR with the folder tree mirrored, N songs at a time, each one run as
// `cantora-cli mp3` (render, lrc) would run it alone. What is complete for
// the same input and settings is skipped, by the manifest kept in DIR.

#include "app/cli/batchplan.h"
#include "app/cli/batchrun.h"
#include "app/cli/commands.h"
#include "app/cli/genreoption.h"
#include "app/cli/interrupt.h"
#include "app/cli/songengine.h"
#include "core/byteio.h"
#include "player/liveoptions.h"
#include "render/encoderpresets.h"
#include "render/loudness.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace cantora;
using namespace cantora::cli::batchjob;
namespace fs = std::filesystem;

const std::string kUsage =
    std::string("usage: cantora-cli batch SRC... --out DIR [--to mp3|mp3+g|wav|lrc] [--jobs N] [--force]\n"
                "                          [--resume] [--print-jobs] [--report FILE.json|FILE.csv] [OPTIONS]\n"
                "  converts every .mid, .midi, .kar and .rmi under the SRC folders (or each SRC\n"
                "  song) into DIR, the folder tree below each SRC mirrored there; each song as\n"
                "  `cantora-cli mp3` (--to wav: render, --to lrc: lrc) converts it alone\n"
                "  --jobs N       songs at once (default: the number of processors)\n"
                "  --force        convert again what is already done, replace what is there\n"
                "  --print-jobs   print the command line of each song still to do instead\n"
                "  --resume       take outputs made by those command lines as done\n"
                "  --report FILE  every song's status, audio and wall seconds, output, error,\n"
                "                 loudness and gain (--normalize), render and encode processor time\n"
                "  -q, --quiet    print nothing but errors\n"
                "  --progress     show progress even when stderr is no terminal\n"
                "options passed to every song: --artist A --album B --year Y --comment C\n"
                "  --genre G --preset P --no-lyrics --soundfont SF2 --normalize[=LUFS]\n"
                "  --exact (lrc) and the live options of `cantora-cli render --help`\n");

struct Kind {
    const char *to, *command, *extension;
};
const Kind kKinds[] = {
    {"mp3", "mp3", ".mp3"}, {"mp3+g", "mp3", ".mp3"}, {"wav", "render", ".wav"}, {"lrc", "lrc", ".lrc"}};

// One song's line in the report.
struct Row {
    std::string song, status, output, error;
    double audioSeconds = 0, wallSeconds = 0;
    std::optional<double> lufs, gainDb, renderCpu, encodeCpu;
};

std::string jsonText(const std::string &s) {
    std::string out = "\"";
    for (const unsigned char c : s) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + char(c);
        else if (c < 0x20) {
            char e[8];
            std::snprintf(e, sizeof e, "\\u%04x", c);
            out += e;
        } else
            out += char(c);
    }
    return out + "\"";
}

std::string csvText(const std::string &s) {
    if (s.find_first_of(",\"\n\r") == std::string::npos)
        return s;
    std::string out = "\"";
    for (const char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string number(std::optional<double> v, const char *none) {
    if (!v || !std::isfinite(*v))
        return none;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", *v);
    return text;
}

std::string writeReport(const std::string &path, const std::vector<Row> &rows) {
    std::ostringstream o;
    const bool csv = fs::path(path).extension() == ".csv";
    if (csv)
        o << "song,status,audio_seconds,wall_seconds,output,error,loudness_lufs,gain_db,render_cpu_seconds,"
             "encode_cpu_seconds\n";
    else
        o << "[\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row &r = rows[i];
        if (csv)
            o << csvText(r.song) << ',' << r.status << ',' << number(r.audioSeconds, "") << ','
              << number(r.wallSeconds, "") << ',' << csvText(r.output) << ',' << csvText(r.error) << ','
              << number(r.lufs, "") << ',' << number(r.gainDb, "") << ',' << number(r.renderCpu, "") << ','
              << number(r.encodeCpu, "") << '\n';
        else
            o << "  {\"song\": " << jsonText(r.song) << ", \"status\": " << jsonText(r.status)
              << ", \"audio_seconds\": " << number(r.audioSeconds, "0")
              << ", \"wall_seconds\": " << number(r.wallSeconds, "0") << ", \"output\": " << jsonText(r.output)
              << ", \"error\": " << jsonText(r.error) << ", \"loudness_lufs\": " << number(r.lufs, "null")
              << ", \"gain_db\": " << number(r.gainDb, "null")
              << ", \"render_cpu_seconds\": " << number(r.renderCpu, "null")
              << ", \"encode_cpu_seconds\": " << number(r.encodeCpu, "null") << "}"
              << (i + 1 < rows.size() ? ",\n" : "\n");
    }
    if (!csv)
        o << "]\n";
    return core::writeWholeFile(path, o.str());
}

// What a finished child said: the audio length, its processor time and
// the loudness on its summary line ("cantora-cli: CMD: wrote OUT (N s of
// audio; ...)"), and its last other line as the error.
void readChild(const std::string &out, const std::string &text, Row &row) {
    std::istringstream in(text);
    std::string line;
    const std::string wrote = ": wrote " + out + " (";
    while (std::getline(in, line)) {
        if (line.rfind("cantora-cli: ", 0) != 0)
            continue;
        if (const auto at = line.find(wrote); at != std::string::npos) {
            const std::string rest = line.substr(at + wrote.size());
            double a = 0, b = 0;
            if (std::sscanf(rest.c_str(), "%lf s of audio", &a) == 1)
                row.audioSeconds = a;
            // mp3's account of its processor time: "...; render R s (cpu A s), encode E s (cpu B s)"
            if (const auto r = rest.find("; render ");
                r != std::string::npos &&
                std::sscanf(rest.c_str() + r, "; render %*f s (cpu %lf s), encode %*f s (cpu %lf s)", &a, &b) == 2) {
                row.renderCpu = a;
                row.encodeCpu = b;
            }
            if (const auto l = rest.find("loudness ");
                l != std::string::npos &&
                std::sscanf(rest.c_str() + l, "loudness %lf LUFS, true peak %*f dBTP; gain %lf dB", &a, &b) == 2) {
                row.lufs = a;
                row.gainDb = b;
            }
        } else {
            row.error = line.substr(line.find(": ", 13) == std::string::npos ? 13 : line.find(": ", 13) + 2);
        }
    }
}

// The name to print for the program: plain "cantora-cli" when that is what
// the shell finds, else its whole path.
std::string shownProgram(const std::string &self) {
    const char *path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    std::error_code ec;
    for (std::string d; std::getline(dirs, d, ':');)
        if (fs::exists(fs::path(d) / "cantora-cli", ec))
            return fs::equivalent(fs::path(d) / "cantora-cli", self, ec) ? "cantora-cli" : self;
    return self;
}

// True when this build's `command` names `option` in its help (mp3 --cdg,
// render --force).
bool commandTakes(const std::string &self, const char *command, const std::string &option) {
    std::FILE *p = popen((shellQuote(self) + " " + command + " --help 2>/dev/null").c_str(), "r");
    if (!p)
        return false;
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
        text.append(buffer, n);
    pclose(p);
    return text.find(option) != std::string::npos;
}

} // namespace

int cantora::cli::batch(const Args &args) {
    std::vector<std::string> sources, pass; // pass: the options every song gets
    std::optional<std::string> outOption, reportOption, font;
    const Kind *kind = &kKinds[0];
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    bool force = false, resume = false, printJobs = false, exact = false, noLyrics = false;
    std::optional<player::LiveSettings> live;
    std::optional<render::LoudnessTarget> loudness;
    std::optional<std::string> tagFields[4];
    std::optional<int> genre;
    long preset = 0;
    bool presetGiven = false;
    CommandLine cl("batch", kUsage);
    cl.operands("SRC", sources)
        .value("--out", outOption)
        .value("--report", reportOption)
        .value("--to",
               [&](const std::string &v) {
                   kind = nullptr;
                   for (const Kind &k : kKinds)
                       if (v == k.to)
                           kind = &k;
                   return kind ? std::string() : "--to takes mp3, mp3+g, wav or lrc, not '" + v + "'";
               })
        .value("--jobs",
               [&](const std::string &v) {
                   char *end = nullptr;
                   const long n = std::strtol(v.c_str(), &end, 10);
                   jobs = static_cast<unsigned>(n);
                   return v.empty() || *end || n < 1 || n > 256 ? "--jobs takes a number from 1 to 256" : "";
               })
        .flag("--resume", resume)
        .flag("--print-jobs", printJobs)
        .flag("--exact", exact)
        .flag("--no-lyrics", noLyrics)
        .value("--genre", [&](const std::string &v) { return takeGenre(v, genre); })
        .value("--preset",
               [&](const std::string &v) {
                   presetGiven = true;
                   return takePreset(v, preset);
               })
        .value("--soundfont", font)
        .writes(force);
    const char *const fieldNames[] = {"--artist", "--album", "--year", "--comment"};
    for (std::size_t f = 0; f < 4; ++f)
        cl.value(fieldNames[f], tagFields[f]);
    addLiveOptions(cl, live);
    addNormalizeOption(cl, loudness);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    if (!outOption)
        return cl.usageError("--out DIR is needed");
    const std::string outDir = *outOption, report = reportOption.value_or("");

    // What every song gets, as given: the options read above that are not the batch's own.
    bool mp3Only = noLyrics || genre || presetGiven, renderOnly = font || loudness;
    for (const auto &f : tagFields)
        mp3Only = mp3Only || f;
    for (const CommandLine::Given &g : cl.given()) {
        if (g.name == "--out" || g.name == "--report" || g.name == "--to" || g.name == "--jobs" ||
            g.name == "--force" || g.name == "--resume" || g.name == "--print-jobs" || g.name == "--quiet" ||
            g.name == "--progress")
            continue;
        if (g.name == "--normalize")
            pass.push_back(g.value.empty() ? g.name : g.name + "=" + g.value);
        else if (g.flag)
            pass.push_back(g.name);
        else
            pass.insert(pass.end(), {g.name, g.value});
        // lrc times its lines for a --tempo too; the other live options are the render's.
        renderOnly = renderOnly || (player::isLiveOption(g.name) && g.name != "--tempo");
    }
    const std::string to = kind->to;
    if ((exact && to != "lrc") || ((mp3Only || renderOnly) && to == "lrc") || (mp3Only && to == "wav"))
        return cl.usageError("an option given does not apply to --to " + to);

    std::error_code ec;
    const std::string self = fs::read_symlink("/proc/self/exe", ec).string();
    if (ec)
        return cl.usageError("cannot find the program itself");
    if (to == "mp3+g") {
        if (!commandTakes(self, "mp3", "--cdg")) {
            std::fprintf(stderr, "cantora-cli: batch: --to mp3+g: this build makes no CD+G files yet\n");
            return 1;
        }
        pass.insert(pass.begin(), "--cdg");
    }
    std::vector<std::string> problems;
    const std::vector<Song> songs = findSongs(sources, outDir, kind->extension, problems);
    for (const std::string &p : problems)
        std::fprintf(stderr, "cantora-cli: batch: %s\n", p.c_str());
    // A source that is not there fails the batch, but not the other songs.
    std::size_t failed = problems.size();
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir, ec)) {
        std::fprintf(stderr, "cantora-cli: batch: cannot make the folder %s\n", outDir.c_str());
        return 1;
    }

    // The settings an output was made with: the options and, for audio, the SoundFont as it is now.
    std::string settings = to;
    for (const std::string &p : pass)
        settings += "\n" + p;
    const std::string fontPath = font.value_or(defaultSoundFont());
    if (const auto sf = stampOf(fontPath); sf && to != "lrc")
        settings += "\n" + fontPath + "\n" + std::to_string(sf->size) + "\n" + std::to_string(sf->mtimeNs);
    settings = hashText(settings);

    Manifest manifest(outDir);
    manifest.load();
    // Replacing an output needs --force where the command asks for it.
    const bool takesForce = commandTakes(self, kind->command, "--force");
    std::vector<Row> rows(songs.size());
    std::vector<std::vector<std::string>> commands;
    std::vector<std::size_t> commandSong;
    std::vector<FileStamp> inputStamps(songs.size());
    const auto recordOutput = [&](std::size_t i) {
        const auto out = stampOf(songs[i].output);
        return out ? manifest.record({songs[i].rel, inputStamps[i], settings, *out, hashFile(songs[i].output)})
                   : std::string("the output is gone");
    };
    for (std::size_t i = 0; i < songs.size(); ++i) {
        const Song &s = songs[i];
        rows[i].song = s.input;
        rows[i].output = s.output;
        inputStamps[i] = stampOf(s.input).value_or(FileStamp{});
        const Decision d = decide(s, manifest, settings, force, resume);
        if (d == Decision::Skip) {
            rows[i].status = "skipped";
        } else if (d == Decision::Refuse) {
            rows[i].status = "failed";
            rows[i].error = s.output + " exists and was not made by this batch (--force replaces it, --resume "
                                       "takes it as done)";
            ++failed;
        } else if (d == Decision::Adopt) {
            rows[i].status = printJobs ? "adopt" : "adopted";
            if (!printJobs)
                rows[i].error = recordOutput(i);
        } else {
            std::vector<std::string> argv{self, kind->command, s.input, s.output};
            argv.insert(argv.end(), pass.begin(), pass.end());
            if (d == Decision::Replace && takesForce)
                argv.push_back("--force");
            fs::create_directories(fs::path(s.output).parent_path(), ec);
            commands.push_back(std::move(argv));
            commandSong.push_back(i);
            rows[i].status = "not started";
        }
    }

    if (printJobs) {
        const std::string shown = shellQuote(shownProgram(self));
        for (const auto &argv : commands) {
            std::string line = shown;
            for (std::size_t k = 1; k < argv.size(); ++k)
                line += " " + shellQuote(argv[k]);
            std::printf("%s\n", line.c_str());
        }
        for (const Row &r : rows)
            if (r.status == "failed")
                std::fprintf(stderr, "cantora-cli: batch: %s\n", r.error.c_str());
        return failed ? 1 : 0;
    }

    std::size_t already = 0;
    for (const Row &r : rows)
        already += r.status == "skipped" || r.status == "adopted";
    if (!manners().quiet)
        std::fprintf(stderr, "%zu songs: %zu to convert, %zu already done\n", songs.size(), commands.size(), already);
    for (const Row &r : rows)
        if (r.status == "failed")
            std::fprintf(stderr, "FAILED %s: %s\n", r.song.c_str(), r.error.c_str());
    BatchProgress progress(commands.size());
    const InterruptGuard interrupt;
    const bool interrupted = runJobs(
        commands, jobs,
        [&](std::size_t job, const JobOutcome &o) {
            const std::size_t i = commandSong[job];
            Row &row = rows[i];
            row.wallSeconds = o.wallSeconds;
            readChild(songs[i].output, o.errorText, row);
            if (o.status == 0) {
                row.error.clear();
                row.status = "done";
                if (const std::string why = recordOutput(i); !why.empty())
                    std::fprintf(stderr, "cantora-cli: batch: %s\n", why.c_str());
            } else if (o.status == 128 + SIGINT || o.status == 128 + SIGTERM) {
                row.status = "interrupted";
                return;
            } else {
                row.status = "failed";
                if (o.status > 128)
                    row.error = "stopped by signal " + std::to_string(o.status - 128);
                ++failed;
            }
            char detail[64];
            std::snprintf(detail, sizeof detail, "(%.1f s of audio in %.1f s)", row.audioSeconds, row.wallSeconds);
            progress.song(songs[i].rel, o.status == 0, o.status == 0 ? detail : row.error);
        },
        [&] { progress.tick(); });
    progress.end();

    if (const std::string why = manifest.compact(); !why.empty())
        std::fprintf(stderr, "cantora-cli: batch: %s\n", why.c_str());
    if (!report.empty())
        if (const std::string why = writeReport(report, rows); !why.empty())
            std::fprintf(stderr, "cantora-cli: batch: cannot write the report: %s\n", why.c_str());
    std::size_t done = 0;
    for (const Row &r : rows)
        done += r.status == "done" || r.status == "skipped" || r.status == "adopted";
    if (!manners().quiet || failed || interrupted)
        std::fprintf(stderr, "%zu of %zu songs done, %zu failed%s\n", done, songs.size(), failed,
                     interrupted ? ", interrupted" : "");
    if (interrupted)
        return 128 + SIGINT; // interrupted
    return failed ? 1 : 0;
}
