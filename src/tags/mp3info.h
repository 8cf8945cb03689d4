#pragma once
// Everything the program shows about one MP3 file: the MPEG stream as read
// from its first frame header, the ID3v1 fields and the Lyrics3 lyrics.
// All members are display texts in UTF-8; a member the read did not reach
// is empty.

#include <string>

namespace cantora::tags {

// The nineteen texts of one MP3 file, in their fixed order.
struct Mp3Info {
    std::string Bitrate;     // "128 Kbps", or "<average> Kbit (VBR)" for Xing files
    std::string ChannelMode; // "Stereo", "Joint Stereo", "2 Channel" or "Mono"
    std::string Copyrighted; // "Yes" / "No"
    std::string Crcs;        // "Yes" when frames carry a CRC
    std::string Emphasis;    // "None", "50/15 microsec", "invalid", "CITT j. 17"
    std::string Frequency;   // sampling rate in hertz: "44100 Hz"
    std::string Layer;       // "layer 1", "layer 2" or "layer 3"
    std::string Length;      // "mm:ss", or "hh:mm:ss" from one hour on
    std::string MpegVersion; // "MPEG 1.0" or "MPEG 2.0"
    std::string Original;    // "Yes" / "No"
    std::string Size;        // megabytes, two decimals at most: "3.52 MB"
    std::string Reserved;    // always empty
    std::string Title;       // ID3v1 title
    std::string Artist;      // ID3v1 artist
    std::string Album;       // ID3v1 album
    std::string Year;        // ID3v1 year
    std::string Comment;     // ID3v1 comment
    std::string Genre;       // ID3v1 genre byte + 1 as decimal text; empty without a tag
    std::string Lyrics;      // text of the Lyrics3 v2 LYR field
};

// The seven-line "MPEG Info" panel of the tag editor, lines joined by CR LF.
std::string FormatInfoPanel(const Mp3Info &info);

} // namespace cantora::tags
