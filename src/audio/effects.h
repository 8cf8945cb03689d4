#pragma once
// Float effects on a stream's interleaved stereo output, processed in place:
// a peaking equaliser holding any number of bands, and a compressor.
//
// Threading: not thread-safe; the owning stream serialises every call.

#include <cstddef>
#include <map>

namespace cantora::audio {

// Which channels an effect touches: every one, or a bit mask (bit 0 = left).
constexpr int kAllChannels = -1;

// One band of the peaking equaliser.
struct PeakEqBand {
    int number = 0;             // the band's number; a new number adds a band
    float bandwidthOctaves = 1; // width in octaves; 0 = width from q
    float q = 0;                // used only when bandwidthOctaves is 0
    float centerHz = 1000;
    float gainDb = 0;
    int channels = kAllChannels;
};

// The compressor's settings.
struct CompressorSettings {
    float gainDb = 0; // make-up gain
    float thresholdDb = -15;
    float ratio = 3;
    float attackMs = 10;
    float releaseMs = 200;
    int channels = kAllChannels;
};

class Effect {
public:
    virtual ~Effect() = default;
    virtual void process(float *interleaved, std::size_t frames) = 0;
};

// Peaking equaliser (RBJ biquads). setBand sets the band its record
// numbers, adding it when new. A band's width is bandwidthOctaves, or q
// when the bandwidth is 0.
class PeakEq : public Effect {
public:
    explicit PeakEq(double rate) : rate_(rate) {}
    void process(float *interleaved, std::size_t frames) override;
    // False (nothing changed) for a negative number or width, a centre
    // at or below 0 Hz, or a gain that is no number.
    bool setBand(const PeakEqBand &band);
    // False when there is no band of that number.
    bool band(int number, PeakEqBand &out) const;

private:
    struct Band {
        PeakEqBand params{};
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z[2][2] = {{0, 0}, {0, 0}}; // per channel, transposed direct form II
    };
    void design(Band &band) const;
    double rate_;
    std::map<int, Band> bands_;
};

// Feed-forward compressor: a level detector with attack and release
// smooths the gain reduction above the threshold; gainDb is make-up gain.
class Compressor : public Effect {
public:
    explicit Compressor(double rate);
    void process(float *interleaved, std::size_t frames) override;
    // False (nothing changed) for a ratio under 1, negative times, or a
    // gain or threshold that is no number.
    bool set(const CompressorSettings &settings);
    const CompressorSettings &settings() const { return params_; }

private:
    void coefficients();
    double rate_;
    CompressorSettings params_{};
    double attackCoef_ = 0, releaseCoef_ = 0;
    double envelope_ = 0; // linear peak level followed by the detector
};

} // namespace cantora::audio
