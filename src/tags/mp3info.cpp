#include "tags/mp3info.h"

namespace cantora::tags {

std::string FormatInfoPanel(const Mp3Info &info) {
    const char *nl = "\r\n";
    std::string s;
    s += "<>Size:[" + info.Size + "]  <>Length:[ " + info.Length + " ]" + nl;
    s += "<>" + info.MpegVersion + " " + info.Layer + nl;
    s += "<>" + info.Bitrate + " " + info.Frequency + " " + info.ChannelMode + nl;
    s += "<>CRCs:[" + info.Crcs + "]" + nl;
    s += "<>Copyrighted:[" + info.Copyrighted + "]" + nl;
    s += "<>Original:[" + info.Original + "]" + nl;
    s += "<>Emphasis:[" + info.Emphasis + "]";
    return s;
}

} // namespace cantora::tags
