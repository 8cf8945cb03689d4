#include "lyrics/lrccapture.h"

#include "core/textcodec.h"
#include "lyrics/lrcformat.h"
#include "lyrics/lyricpage.h"

namespace cantora::lyrics {

void LrcCapture::reset() {
    entries_.clear();
    open_ = Entry{};
    page_.clear();
    reader_.reset();
}

bool LrcCapture::onMark(std::string_view stored, int sliderSeconds) {
    bool recorded = false;
    for (const std::string &text : reader_.read(core::toUtf8(stored))) {
        const SyllableKind kind = classify(text);
        if (kind == SyllableKind::Header)
            continue;
        if (opensLine(kind)) {
            if (entries_.size() < kMaxEntries) {
                entries_.push_back(std::move(open_));
                recorded = true;
            }
            open_ = Entry{};
            open_.tag = lrcTag(sliderSeconds);
            // The shown page: a paragraph or a third line starts it afresh.
            if (kind == SyllableKind::Paragraph || countLines(page_) >= 2)
                page_.clear();
            else if (!page_.empty())
                page_ += "\r\n";
            page_ += text.substr(1);
        } else {
            page_ += text;
        }
        open_.line += text;
    }
    return recorded;
}

std::string LrcCapture::entryText(const Entry &e) { return e.tag + std::string(withoutBreak(e.line)) + "\r\n"; }

std::string LrcCapture::fileBytes() const {
    std::string out;
    if (entries_.empty() && open_.line.empty())
        return out; // nothing was sung: an empty file, not a lone tag
    bool first = true;
    const auto write = [&](const Entry &e) {
        out += first && e.tag.empty() ? std::string("[00:00]") : e.tag;
        out += core::utf8ToCp1252(withoutBreak(e.line));
        out += "\r\n";
        first = false;
    };
    for (const Entry &e : entries_)
        write(e);
    write(open_);
    return out;
}

} // namespace cantora::lyrics
