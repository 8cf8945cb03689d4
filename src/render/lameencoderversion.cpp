#include "render/lameencoderversion.h"

#include "render/bladeenc.h"

#include <cstring>

namespace cantora::render {

cLameEncoderVersion::cLameEncoderVersion() {
    BE_VERSION v{};
    beVersion(&v);
    dllMajor_ = v.byDLLMajorVersion;
    dllMinor_ = v.byDLLMinorVersion;
    major_ = v.byMajorVersion;
    minor_ = v.byMinorVersion;
    day_ = v.byDay;
    month_ = v.byMonth;
    year_ = v.wYear;
    homePage_.assign(v.zHomepage, strnlen(v.zHomepage, 129));
    alpha_ = v.byAlphaLevel;
    beta_ = v.byBetaLevel;
    mmx_ = v.byMMXEnabled;
}

std::uint8_t cLameEncoderVersion::DllMajorVersion() const { return dllMajor_; }
std::uint8_t cLameEncoderVersion::DllMinorVersion() const { return dllMinor_; }
std::uint8_t cLameEncoderVersion::MajorVersion() const { return major_; }
std::uint8_t cLameEncoderVersion::MinorVersion() const { return minor_; }

std::chrono::year_month_day cLameEncoderVersion::ReleaseDate() const {
    return std::chrono::year_month_day{std::chrono::year{year_}, std::chrono::month{month_}, std::chrono::day{day_}};
}

const std::string &cLameEncoderVersion::HomePage() const { return homePage_; }
std::uint8_t cLameEncoderVersion::AlphaLevel() const { return alpha_; }
std::uint8_t cLameEncoderVersion::BetaLevel() const { return beta_; }
std::uint8_t cLameEncoderVersion::MMXEnabled() const { return mmx_; }

} // namespace cantora::render
