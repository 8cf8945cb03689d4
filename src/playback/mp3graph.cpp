#include "playback/mediagraph.h"

#include "playback/mp3decoder.h"
#include "playback/playbackoutput.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>

namespace cantora::playback {

namespace {

// Decodes on the output's pull and keeps, for the frames still on their way
// to the speaker, which frame of the file each one was, so that the position
// reported is the one being heard.
//
// Threading: the output pulls on its own thread; every other call comes from
// the user-interface thread. One mutex guards the decoder and the state; the
// output is opened and closed without holding it, as closing waits for a
// running pull.
class Mp3Graph : public MediaGraph {
public:
    explicit Mp3Graph(std::unique_ptr<PlaybackOutput> output) : output_(std::move(output)) {}
    ~Mp3Graph() override { output_->close(); }

    bool RenderFile(const std::string &path) override {
        output_->close();
        std::lock_guard lock(m_);
        state_ = GraphState::Stopped;
        opened_ = false;
        history_.clear();
        deviceTime_ = 0;
        if (!decoder_.openFile(path)) {
            error_ = decoder_.error();
            return false;
        }
        length_ = decoder_.length();
        rate_ = decoder_.rate();
        return true;
    }

    bool Run() override {
        {
            std::lock_guard lock(m_);
            if (!decoder_.isOpen()) {
                error_ = "no file";
                return false;
            }
            if (opened_) {
                state_ = GraphState::Running;
                return true;
            }
        }
        // First run: the device starts pulling (silence until the state says run).
        if (!output_->open(rate_, [this](float *out, std::size_t frames) { pull(out, frames); })) {
            std::lock_guard lock(m_);
            error_ = "no audio output device";
            return false;
        }
        std::lock_guard lock(m_);
        opened_ = true;
        state_ = GraphState::Running;
        return true;
    }

    bool Pause() override {
        std::lock_guard lock(m_);
        if (!decoder_.isOpen())
            return false;
        state_ = GraphState::Paused;
        return true;
    }

    bool Stop() override {
        std::lock_guard lock(m_);
        state_ = GraphState::Stopped;
        return true;
    }

    GraphState GetState() const override {
        std::lock_guard lock(m_);
        return state_;
    }

    double Duration() const override {
        std::lock_guard lock(m_);
        return rate_ > 0 ? static_cast<double>(length_) / rate_ : 0.0;
    }

    double CurrentPosition() const override {
        std::lock_guard lock(m_);
        return rate_ > 0 ? static_cast<double>(heardFrame()) / rate_ : 0.0;
    }

    bool SetCurrentPosition(double seconds) override {
        std::lock_guard lock(m_);
        if (!decoder_.isOpen() || !std::isfinite(seconds))
            return false;
        const auto frame = std::clamp<std::int64_t>(std::llround(seconds * rate_), 0, length_);
        if (!decoder_.seek(frame)) {
            error_ = "the file cannot seek";
            return false;
        }
        return true;
    }

    bool SetVolume(long hundredthsDb) override {
        std::lock_guard lock(m_);
        volume_ = std::clamp(hundredthsDb, -10000L, 0L);
        gain_ = volume_ <= -10000 ? 0.0f : static_cast<float>(std::pow(10.0, volume_ / 2000.0));
        return true;
    }

    long Volume() const override {
        std::lock_guard lock(m_);
        return volume_;
    }

    std::string error() const override {
        std::lock_guard lock(m_);
        return error_;
    }

private:
    // A run of frames handed to the device: `audio` frames of the file from
    // `fileStart` on, or silence while the file stood at `fileStart`.
    struct Span {
        std::int64_t deviceStart;
        std::int64_t count;
        std::int64_t fileStart;
        bool audio;
    };

    void pull(float *out, std::size_t frames) {
        std::lock_guard lock(m_);
        const auto n = static_cast<std::int64_t>(frames);
        std::int64_t got = 0;
        const std::int64_t from = decoder_.tell();
        if (state_ == GraphState::Running) {
            got = static_cast<std::int64_t>(decoder_.read(out, frames));
            if (gain_ != 1.0f)
                std::for_each(out, out + got * 2, [this](float &s) { s *= gain_; });
            // A header may promise more frames than the file holds (a cut
            // file): the end of the sound is the end of the file.
            if (got < n && decoder_.tell() < length_)
                length_ = decoder_.tell();
        }
        std::fill(out + got * 2, out + n * 2, 0.0f);
        if (got > 0)
            history_.push_back({deviceTime_, got, from, true});
        if (got < n)
            history_.push_back({deviceTime_ + got, n - got, decoder_.tell(), false});
        deviceTime_ += n;
        // Keep only what is still on its way to the speaker.
        const auto heardAt = deviceTime_ - static_cast<std::int64_t>(output_->latencyFrames());
        while (history_.size() > 1 && history_.front().deviceStart + history_.front().count <= heardAt)
            history_.pop_front();
    }

    std::int64_t heardFrame() const {
        const auto at = deviceTime_ - static_cast<std::int64_t>(output_->latencyFrames());
        if (history_.empty() || at >= deviceTime_)
            return std::min(decoder_.tell(), length_);
        for (const Span &s : history_) {
            if (at < s.deviceStart)
                return s.fileStart; // before the first frame handed out
            if (at < s.deviceStart + s.count)
                return s.audio ? s.fileStart + (at - s.deviceStart) : s.fileStart;
        }
        return std::min(decoder_.tell(), length_);
    }

    std::unique_ptr<PlaybackOutput> output_;
    mutable std::mutex m_;
    Mp3Decoder decoder_;
    GraphState state_ = GraphState::Stopped;
    bool opened_ = false;
    int rate_ = 0;
    std::int64_t length_ = 0;
    long volume_ = 0;
    float gain_ = 1.0f;
    std::int64_t deviceTime_ = 0;
    std::deque<Span> history_;
    std::string error_;
};

} // namespace

std::unique_ptr<MediaGraph> makeMp3Graph(std::unique_ptr<PlaybackOutput> output) {
    return std::make_unique<Mp3Graph>(std::move(output));
}

} // namespace cantora::playback
