#pragma once
// cLameEncoderVersion: the encoder library's version record, read once when
// the object is created.

#include <chrono>
#include <cstdint>
#include <string>

namespace cantora::render {

class cLameEncoderVersion {
public:
    cLameEncoderVersion(); // reads the record (beVersion)

    std::uint8_t DllMajorVersion() const; // version of the interface layer
    std::uint8_t DllMinorVersion() const;
    std::uint8_t MajorVersion() const; // version of the encoder itself
    std::uint8_t MinorVersion() const;
    std::chrono::year_month_day ReleaseDate() const; // from year, month and day of the record
    const std::string &HomePage() const;             // text up to its first zero, at most 129 characters
    std::uint8_t AlphaLevel() const;                 // 0 unless an alpha release
    std::uint8_t BetaLevel() const;                  // 0 unless a beta release
    std::uint8_t MMXEnabled() const;                 // 1 when built with MMX code

private:
    std::uint8_t dllMajor_, dllMinor_, major_, minor_, day_, month_;
    std::uint16_t year_;
    std::string homePage_;
    std::uint8_t alpha_, beta_, mmx_;
};

} // namespace cantora::render
