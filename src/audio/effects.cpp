#include "audio/effects.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cantora::audio {

namespace {
bool channelSelected(int lChannel, int ch) {
    // -1 = all; otherwise a bit mask of channels (bit 0 = left).
    return lChannel == BASS_BFX_CHANALL || (lChannel & (1 << ch)) != 0;
}
} // namespace

void PeakEq::design(Band &band) const {
    const BASS_BFX_PEAKEQ &p = band.params;
    const double nyquist = rate_ / 2;
    const double f0 = std::clamp<double>(p.fCenter, 1.0, nyquist * 0.999);
    const double w0 = 2 * std::numbers::pi * f0 / rate_;
    const double A = std::pow(10.0, p.fGain / 40.0);
    double alpha;
    if (p.fQ > 0) {
        alpha = std::sin(w0) / (2 * p.fQ);
    } else {
        const double bw = p.fBandwidth > 0 ? p.fBandwidth : 1.0;
        alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2 * bw * w0 / std::sin(w0));
    }
    const double a0 = 1 + alpha / A;
    band.b0 = (1 + alpha * A) / a0;
    band.b1 = -2 * std::cos(w0) / a0;
    band.b2 = (1 - alpha * A) / a0;
    band.a1 = -2 * std::cos(w0) / a0;
    band.a2 = (1 - alpha / A) / a0;
}

bool PeakEq::setParameters(const void *params) {
    const auto *p = static_cast<const BASS_BFX_PEAKEQ *>(params);
    if (!p || p->lBand < 0 || p->fCenter <= 0 || !std::isfinite(p->fGain) || p->fQ < 0 || p->fBandwidth < 0)
        return false;
    Band &band = bands_[p->lBand];
    band.params = *p;
    design(band);
    return true;
}

bool PeakEq::getParameters(void *params) const {
    auto *p = static_cast<BASS_BFX_PEAKEQ *>(params);
    if (!p)
        return false;
    auto it = bands_.find(p->lBand);
    if (it == bands_.end())
        return false;
    *p = it->second.params;
    return true;
}

void PeakEq::process(float *x, std::size_t frames) {
    for (auto &[n, band] : bands_) {
        if (band.params.fGain == 0)
            continue;   // a flat band passes the sound untouched
        for (int ch = 0; ch < 2; ++ch) {
            if (!channelSelected(band.params.lChannel, ch))
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

Compressor::Compressor(double rate) : rate_(rate) {
    params_ = {0.0f, -15.0f, 3.0f, 10.0f, 200.0f, BASS_BFX_CHANALL};
    coefficients();
}

void Compressor::coefficients() {
    const auto coef = [&](float ms) { return ms <= 0 ? 0.0 : std::exp(-1.0 / (ms * 0.001 * rate_)); };
    attackCoef_ = coef(params_.fAttack);
    releaseCoef_ = coef(params_.fRelease);
}

bool Compressor::setParameters(const void *params) {
    const auto *p = static_cast<const BASS_BFX_COMPRESSOR2 *>(params);
    if (!p || p->fRatio < 1 || p->fAttack < 0 || p->fRelease < 0 || !std::isfinite(p->fGain) ||
        !std::isfinite(p->fThreshold))
        return false;
    params_ = *p;
    coefficients();
    return true;
}

bool Compressor::getParameters(void *params) const {
    if (!params)
        return false;
    *static_cast<BASS_BFX_COMPRESSOR2 *>(params) = params_;
    return true;
}

void Compressor::process(float *x, std::size_t frames) {
    const double threshold = std::pow(10.0, params_.fThreshold / 20.0);
    const double makeup = std::pow(10.0, params_.fGain / 20.0);
    const double slope = 1.0 - 1.0 / params_.fRatio;
    const bool left = channelSelected(params_.lChannel, 0), right = channelSelected(params_.lChannel, 1);
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
