#include "playback/lyricsstrip.h"

namespace cantora::playback {

LyricsStrip::LyricsStrip(int lineHeight) {
    LyricLabel first;
    first.height = lineHeight;
    labels_.push_back(first);
}

std::string LyricsStrip::displayText(const std::string &entry) {
    // Count characters, not bytes: a stamp may hold a non-ASCII letter.
    std::size_t at = 0;
    for (int chars = 0; chars < 9 && at < entry.size(); ++chars) {
        ++at;
        while (at < entry.size() && (static_cast<unsigned char>(entry[at]) & 0xC0) == 0x80)
            ++at;
    }
    return entry.substr(at);
}

void LyricsStrip::Order_lblLyrics(const std::vector<std::string> &entries, std::uint32_t normalColor) {
    if (entries.empty())
        return;
    normalColor_ = normalColor;
    pageLine_ = 0;
    focusIndex_ = 0;
    lineCount_ = static_cast<int>(entries.size());
    stripTop_ = 0;
    labels_[0].bold = false;

    int total = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i >= labels_.size()) {
            // A new element takes over the properties of element 0.
            labels_.push_back(labels_[0]);
        }
        LyricLabel &label = labels_[i];
        if (i > 0)
            label.top = labels_[i - 1].top + labels_[i - 1].height;
        label.caption = displayText(entries[i]);
        label.color = normalColor_;
        label.visible = true;
        total += label.height;
    }
    stripHeight_ = total;
    labels_[0].color = kFocusColor;
    labels_[0].bold = true;
}

void LyricsStrip::Move_Next_Focus_Lyrics() {
    ++focusIndex_;
    if (++pageLine_ > kLinesPerPage - 1) {
        pageLine_ = 0;
        // Every line is taken to be as high as line 0.
        stripTop_ = -(focusIndex_ * labels_[0].height);
    }
    if (focusIndex_ < static_cast<int>(labels_.size())) {
        labels_[focusIndex_ - 1].color = kPassedColor;
        labels_[focusIndex_ - 1].bold = false;
        labels_[focusIndex_].bold = true;
        labels_[focusIndex_].color = kFocusColor;
    }
}

void LyricsStrip::Move_Previous_Focus_Lyrics() {
    --focusIndex_;
    if (focusIndex_ >= 0) {
        if (--pageLine_ < 0)
            pageLine_ = kLinesPerPage - 1;
        if (focusIndex_ + 1 < static_cast<int>(labels_.size()))
            labels_[focusIndex_ + 1].bold = false;
        labels_[focusIndex_].bold = true;
    } else {
        focusIndex_ = 0;
        pageLine_ = 0;
    }
}

} // namespace cantora::playback
