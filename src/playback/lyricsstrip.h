#pragma once
// LyricsStrip: the lyrics window's lines, focus and paging, without widgets.
// Each line is a label record in a vertical strip; the focus line is red and
// bold, passed lines turn light blue, and the strip moves up by a page of
// ten lines when the focus passes the last line of a page. The window
// mirrors these records onto its labels.

#include <cstdint>
#include <string>
#include <vector>

namespace cantora::playback {

// Colours as 0x00BBGGRR.
constexpr std::uint32_t kFocusColor = 255;       // red
constexpr std::uint32_t kPassedColor = 0xFF8080; // light blue
constexpr int kLinesPerPage = 10;

// One label of the strip.
struct LyricLabel {
    std::string caption;
    std::uint32_t color = 0;
    bool bold = false;
    int top = 0;
    int height = 0;
    bool visible = false;
};

class LyricsStrip {
public:
    // Label 0 exists from the start with `lineHeight` pixels, as the design-time label.
    explicit LyricsStrip(int lineHeight);

    // Rebuilds the strip from `entries` ("mm:ss    text"): one label per
    // entry, created only when missing; labels of a longer earlier list are
    // kept below the strip's new height. An empty list changes nothing.
    void Order_lblLyrics(const std::vector<std::string> &entries, std::uint32_t normalColor);
    // Focus one line down; the caller guarantees the line exists.
    void Move_Next_Focus_Lyrics();
    // Focus one line up: bold moves, colours stay, the strip does not move back.
    void Move_Previous_Focus_Lyrics();

    const std::vector<LyricLabel> &labels() const { return labels_; }
    int LineCount() const { return lineCount_; }
    int FocusIndex() const { return focusIndex_; }
    int PageLine() const { return pageLine_; }
    std::uint32_t NormalColor() const { return normalColor_; }
    int stripTop() const { return stripTop_; }
    int stripHeight() const { return stripHeight_; }
    int lineHeight() const { return labels_[0].height; }

    // The entry as displayed: without its first nine characters (stamp and blanks).
    static std::string displayText(const std::string &entry);

private:
    std::vector<LyricLabel> labels_;
    int lineCount_ = 0;
    int focusIndex_ = 0;
    int pageLine_ = 0;
    std::uint32_t normalColor_ = 0;
    int stripTop_ = 0;
    int stripHeight_ = 0;
};

} // namespace cantora::playback
