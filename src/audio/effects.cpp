#include "audio/effects.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cantora::audio {

namespace {
bool channelSelected(int lChannel, int ch) {
    // -1 = all; otherwise a bit mask of channels (bit 0 = left).
    return lChannel == kAllChannels || (lChannel & (1 << ch)) != 0;
}
} // namespace

void PeakEq::design(Band &band) const {
    const PeakEqBand &p = band.params;
    const double nyquist = rate_ / 2;
    const double f0 = std::clamp<double>(p.centerHz, 1.0, nyquist * 0.999);
    const double w0 = 2 * std::numbers::pi * f0 / rate_;
    const double A = std::pow(10.0, p.gainDb / 40.0);
    double alpha;
    if (p.bandwidthOctaves > 0) {
        alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2 * p.bandwidthOctaves * w0 / std::sin(w0));
    } else {
        // Q counts only when no bandwidth is given; neither gives one octave's Q.
        const double q = p.q > 0 ? p.q : std::numbers::sqrt2; // one octave
        alpha = std::sin(w0) / (2 * q);
    }
    const double a0 = 1 + alpha / A;
    band.b0 = (1 + alpha * A) / a0;
    band.b1 = -2 * std::cos(w0) / a0;
    band.b2 = (1 - alpha * A) / a0;
    band.a1 = -2 * std::cos(w0) / a0;
    band.a2 = (1 - alpha / A) / a0;
}

bool PeakEq::setBand(const PeakEqBand &p) {
    if (p.number < 0 || !(p.centerHz > 0) || !std::isfinite(p.gainDb) || p.q < 0 || p.bandwidthOctaves < 0)
        return false;
    Band &band = bands_[p.number];
    band.params = p;
    design(band);
    return true;
}

bool PeakEq::band(int number, PeakEqBand &out) const {
    auto it = bands_.find(number);
    if (it == bands_.end())
        return false;
    out = it->second.params;
    return true;
}

void PeakEq::process(float *x, std::size_t frames) {
    for (auto &[n, band] : bands_) {
        if (band.params.gainDb == 0)
            continue; // a flat band passes the sound untouched
        for (int ch = 0; ch < 2; ++ch) {
            if (!channelSelected(band.params.channels, ch))
                continue;
            double z1 = band.z[ch][0], z2 = band.z[ch][1];
            for (std::size_t i = 0; i < frames; ++i) {
                const double in = x[2 * i + ch];
                const double out = band.b0 * in + z1;
                z1 = band.b1 * in - band.a1 * out + z2;
                z2 = band.b2 * in - band.a2 * out;
                x[2 * i + ch] = static_cast<float>(out);
            }
            band.z[ch][0] = z1;
            band.z[ch][1] = z2;
        }
    }
}

Compressor::Compressor(double rate) : rate_(rate) { coefficients(); }

void Compressor::coefficients() {
    const auto coef = [&](float ms) { return ms <= 0 ? 0.0 : std::exp(-1.0 / (ms * 0.001 * rate_)); };
    attackCoef_ = coef(params_.attackMs);
    releaseCoef_ = coef(params_.releaseMs);
}

bool Compressor::set(const CompressorSettings &p) {
    if (!(p.ratio >= 1) || !(p.attackMs >= 0) || !(p.releaseMs >= 0) || !std::isfinite(p.gainDb) ||
        !std::isfinite(p.thresholdDb))
        return false;
    params_ = p;
    coefficients();
    return true;
}

void Compressor::process(float *x, std::size_t frames) {
    const double threshold = std::pow(10.0, params_.thresholdDb / 20.0);
    const double makeup = std::pow(10.0, params_.gainDb / 20.0);
    const double slope = 1.0 - 1.0 / params_.ratio;
    const bool left = channelSelected(params_.channels, 0), right = channelSelected(params_.channels, 1);
    double env = envelope_;
    for (std::size_t i = 0; i < frames; ++i) {
        // Both channels share one detector, so the stereo image holds.
        const double level = std::max(std::fabs(x[2 * i]), std::fabs(x[2 * i + 1]));
        const double c = level > env ? attackCoef_ : releaseCoef_;
        env = c * env + (1 - c) * level;
        double gain = makeup;
        if (env > threshold)
            gain *= std::pow(env / threshold, -slope);
        if (left)
            x[2 * i] = static_cast<float>(x[2 * i] * gain);
        if (right)
            x[2 * i + 1] = static_cast<float>(x[2 * i + 1] * gain);
    }
    envelope_ = env;
}

} // namespace cantora::audio
