#include "tags/tageditor.h"

#include "core/byteio.h"
#include "tags/id3v2tag.h"
#include "tags/lyricstext.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace cantora::tags {

// --- Undo stack -------------------------------------------------------------

void UndoStack::PushUndo(std::int32_t position) {
    ++count_;
    if (count_ > Capacity())
        slots_.resize(slots_.size() + kStep);
    slots_[static_cast<std::size_t>(count_ - 1)] = position;
}

std::optional<std::int32_t> UndoStack::PopUndo() {
    if (count_ == 0)
        return std::nullopt;
    const std::int32_t top = slots_[static_cast<std::size_t>(count_ - 1)];
    --count_;
    if (count_ < Capacity() - kStep)
        slots_.resize(slots_.size() - kStep);
    return top;
}

void UndoStack::Reset() {
    slots_.assign(kStep, 0);
    count_ = 0;
}

// --- Times ------------------------------------------------------------------

std::string FormatTime(std::int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    const std::int64_t h = seconds / 3600, m = (seconds / 60) % 60, s = seconds % 60;
    char buf[32];
    if (h > 0)
        std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(h), static_cast<long long>(m),
                      static_cast<long long>(s));
    else
        std::snprintf(buf, sizeof buf, "%02lld:%02lld", static_cast<long long>(m), static_cast<long long>(s));
    return buf;
}

namespace {

// The leading number of `s` (after spaces), 0 when there is none.
double leadingNumber(std::string_view s) {
    std::string t(s);
    const char *p = t.c_str();
    while (*p == ' ')
        ++p;
    char *end = nullptr;
    const double v = std::strtod(p, &end);
    return end == p || !std::isfinite(v) ? 0.0 : v;
}

std::int64_t roundHalfEven(double x) { return static_cast<std::int64_t>(std::nearbyint(x)); }

// Where the line starting at `start` ends (before CR LF or LF).
std::size_t lineEnd(std::string_view text, std::size_t start) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos)
        lf = text.size();
    return lf > start && text[lf - 1] == '\r' ? lf - 1 : lf;
}

// Start of the line after the one starting at `start`, or npos for the last line.
std::size_t nextLine(std::string_view text, std::size_t start) {
    const std::size_t lf = text.find('\n', start);
    return lf == std::string_view::npos ? std::string_view::npos : lf + 1;
}

} // namespace

std::array<std::int64_t, 3> TimeParts(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    std::array<std::int64_t, 3> hms{0, 0, 0};
    if (parts.size() >= 3) {
        hms[0] = roundHalfEven(leadingNumber(parts[0]));
        hms[1] = roundHalfEven(leadingNumber(parts[1]));
        hms[2] = roundHalfEven(leadingNumber(parts[2]));
    } else if (parts.size() == 2) {
        hms[1] = roundHalfEven(leadingNumber(parts[0]));
        hms[2] = roundHalfEven(leadingNumber(parts[1]));
    } else {
        hms[2] = roundHalfEven(leadingNumber(parts[0]));
    }
    return hms;
}

// --- Stamps -----------------------------------------------------------------

LineSpan LineAt(std::string_view text, std::size_t caret) {
    caret = std::min(caret, text.size());
    const std::size_t before = caret == 0 ? std::string_view::npos : text.rfind('\n', caret - 1);
    LineSpan span;
    span.start = before == std::string_view::npos ? 0 : before + 1;
    span.length = lineEnd(text, span.start) - span.start;
    return span;
}

Stamped AddStamp(std::string_view text, std::size_t caret, double seconds) {
    const std::int64_t whole = std::max<std::int64_t>(0, roundHalfEven(seconds));
    const std::string formatted = FormatTime(whole);
    const std::string stamp = "[" + formatted + "]";
    const std::array<std::int64_t, 3> now = TimeParts(formatted);

    const LineSpan line = LineAt(text, caret);
    const std::size_t lineStop = line.start + line.length;
    std::size_t at = line.start; // after the last earlier tag, or the line's start
    std::size_t pos = line.start;
    while (true) {
        const std::size_t open = text.find('[', pos);
        if (open == std::string_view::npos || open >= lineStop)
            break;
        const std::size_t close = text.find(']', open);
        if (close == std::string_view::npos || close >= lineStop)
            break;
        pos = close + 1;
        if (close - open - 1 > kMaxTagInner)
            continue; // not a time tag
        if (TimeParts(text.substr(open + 1, close - open - 1)) >= now) {
            at = open;
            break;
        }
        at = close + 1;
    }

    Stamped out;
    out.text.reserve(text.size() + stamp.size());
    out.text.append(text.substr(0, at));
    out.text += stamp;
    out.text.append(text.substr(at));
    out.insertedAt = at;

    // The caret goes to the next line holding something, else to the last line.
    const std::string_view t = out.text;
    std::size_t next = nextLine(t, line.start);
    std::size_t last = line.start;
    while (next != std::string_view::npos) {
        last = next;
        if (lineEnd(t, next) > next)
            break;
        next = nextLine(t, next);
    }
    out.caret = last;
    return out;
}

std::string RemoveStamp(std::string_view text, std::size_t position) {
    std::string out(text);
    const std::size_t open = text.find('[', position);
    if (open == std::string_view::npos)
        return out;
    const std::size_t close = text.find(']', open);
    if (close == std::string_view::npos || close - open - 1 > kMaxTagInner)
        return out;
    out.erase(open, close - open + 1);
    return out;
}

// --- Lyric entries and the follower -----------------------------------------

std::vector<std::string> LyricEntries(std::string_view text) {
    std::vector<std::string> entries;
    if (text.find('[') == std::string_view::npos)
        return entries;
    std::size_t start = 0;
    while (true) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos)
            break; // the unfinished last piece gives no entry
        const std::string piece = TrimSpaces(text.substr(start, lineEnd(text, start) - start));
        start = lf + 1;
        const std::size_t lastClose = piece.rfind(']');
        std::size_t pos = 0;
        while (true) {
            const std::size_t open = piece.find('[', pos);
            if (open == std::string::npos)
                break;
            const std::size_t close = piece.find(']', open);
            if (close == std::string::npos)
                break;
            if (close - open - 1 <= kMaxTagInner)
                entries.push_back(piece.substr(open + 1, close - open - 1) + "    " + piece.substr(lastClose + 1));
            pos = close + 1;
        }
    }
    // Several tags on a line would otherwise put later times before earlier
    // ones; the follower walks the list in time order.
    std::stable_sort(entries.begin(), entries.end());
    return entries;
}

int FollowLyrics(std::string_view now, const std::vector<std::string> &entries, int index,
                 const std::function<void()> &next, const std::function<void()> &previous) {
    const int n = static_cast<int>(entries.size());
    if (n == 0)
        return index;
    index = std::clamp(index, 0, n - 1);
    const std::string current = TrimSpaces(now);
    auto t = [&](int i) { return TrimSpaces(std::string_view(entries[static_cast<std::size_t>(i)]).substr(0, 9)); };
    while (index < n - 1 && t(index + 1) <= current) {
        next();
        ++index;
    }
    while (index > 0 && current < t(index)) {
        --index;
        previous();
    }
    return index;
}

// --- Pending edits ------------------------------------------------------------

void PendingEdits::AddRow(const std::string &path) {
    if (Row(path))
        return;
    PendingRow row;
    row.key = path;
    rows_.push_back(std::move(row));
}

void PendingEdits::Store(const std::string &path, const EditorFields &f) {
    AddRow(path);
    for (PendingRow &row : rows_) {
        if (row.key != path)
            continue;
        row.sub[1] = f.title;
        row.sub[2] = f.artist;
        row.sub[3] = f.album;
        row.sub[4] = f.year;
        row.sub[5] = std::to_string(f.genreIndex);
        row.sub[6] = f.lyrics;
        row.sub[7] = f.comment;
        row.unsaved = true;
    }
}

void PendingEdits::ClearRow(const std::string &path) {
    for (PendingRow &row : rows_)
        if (row.key == path) {
            row.sub = {};
            row.unsaved = false;
        }
}

bool PendingEdits::Unsaved(const std::string &path) const {
    const PendingRow *row = Row(path);
    return row && row->unsaved;
}

const PendingRow *PendingEdits::Row(const std::string &path) const {
    for (const PendingRow &row : rows_)
        if (row.key == path)
            return &row;
    return nullptr;
}

// --- Lyric files ----------------------------------------------------------------

LyricFile Chargement_Paroles(const std::string &path) {
    LyricFile out;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        out.error = std::strerror(errno ? errno : ENOENT);
        return out;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    out.boxText = LyricBoxText(bytes.str());
    std::size_t start = 0;
    while (start < out.boxText.size()) {
        const std::size_t end = out.boxText.find("\r\n", start);
        out.lines.push_back(out.boxText.substr(start, end - start));
        start = end + 2;
    }
    out.ok = true;
    return out;
}

std::string LyricBoxFromId3v2(const std::string &path) {
    core::FileSource file;
    if (!file.open(path))
        return {};
    return LyricBoxText(Id3v2LyricLines(ReadId3v2(file)));
}

std::string LrcPathFor(std::string_view path) {
    if (path.size() < 3)
        return "lrc";
    return std::string(path.substr(0, path.size() - 3)) + "lrc";
}

std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

std::string WithLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

std::string TrimSpaces(std::string_view s) {
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos)
        return {};
    const std::size_t b = s.find_last_not_of(' ');
    return std::string(s.substr(a, b - a + 1));
}

} // namespace cantora::tags
