#pragma once
// Float effects on a stream's interleaved stereo output, processed in place:
// a peaking equaliser holding any number of bands, and a compressor.
//
// Threading: not thread-safe; the owning stream serialises every call.

#include "audio/bass.h"

#include <cstddef>
#include <map>

namespace cantora::audio {

class Effect {
public:
    virtual ~Effect() = default;
    virtual void process(float *interleaved, std::size_t frames) = 0;
    // Parameter records as the effect calls take them; false if refused.
    virtual bool setParameters(const void *params) = 0;
    virtual bool getParameters(void *params) const = 0;
};

// Peaking equaliser (RBJ biquads). A record's lBand picks the band it sets
// or reads; setting a new band number adds the band. A band's width is fQ,
// or fBandwidth octaves when fQ is 0.
class PeakEq : public Effect {
public:
    explicit PeakEq(double rate) : rate_(rate) {}
    void process(float *interleaved, std::size_t frames) override;
    bool setParameters(const void *params) override;
    bool getParameters(void *params) const override;

private:
    struct Band {
        BASS_BFX_PEAKEQ params{};
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z[2][2] = {{0, 0}, {0, 0}};   // per channel, transposed direct form II
    };
    void design(Band &band) const;
    double rate_;
    std::map<int, Band> bands_;
};

// Feed-forward compressor: a level detector with attack and release
// smooths the gain reduction above the threshold; fGain is makeup gain.
class Compressor : public Effect {
public:
    explicit Compressor(double rate);
    void process(float *interleaved, std::size_t frames) override;
    bool setParameters(const void *params) override;
    bool getParameters(void *params) const override;

private:
    void coefficients();
    double rate_;
    BASS_BFX_COMPRESSOR2 params_{};
    double attackCoef_ = 0, releaseCoef_ = 0;
    double envelope_ = 0;   // linear peak level followed by the detector
};

} // namespace cantora::audio
