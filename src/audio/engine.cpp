#include "audio/engine.h"

#include <algorithm>

namespace cantora::audio {

namespace {
thread_local int t_error = BASS_OK;
} // namespace

void setError(int code) { t_error = code; }
int lastError() { return t_error; }

Engine &Engine::instance() {
    static Engine *e = new Engine; // outlives static destructors of callers
    return *e;
}

std::shared_ptr<Stream> Engine::find(DWORD handle) {
    std::lock_guard lock(table);
    auto it = streams.find(handle);
    return it == streams.end() ? nullptr : it->second;
}

void Engine::setPlaying(const std::shared_ptr<Stream> &s, bool on) {
    std::lock_guard lock(playingMutex_);
    auto it = std::find(playing_.begin(), playing_.end(), s);
    if (on && it == playing_.end())
        playing_.push_back(s);
    else if (!on && it != playing_.end())
        playing_.erase(it);
}

void Engine::release(const std::shared_ptr<Stream> &s) {
    {
        std::lock_guard lock(s->mutex);
        s->freed = true;
        s->seq.abortRender();
    }
    setPlaying(s, false);
    std::lock_guard lock(table);
    streams.erase(s->handle);
    for (auto it = effects.begin(); it != effects.end();) {
        auto owner = it->second.lock();
        if (!owner || owner == s)
            it = effects.erase(it);
        else
            ++it;
    }
}

double Engine::clockNow() {
    std::lock_guard lock(table);
    return output && output->handDriven() ? output->playedSeconds() : Notifier::wallClock();
}

void Engine::postNow(const std::shared_ptr<Stream> &s) {
    if (s->pending.empty())
        return;
    const double now = clockNow();
    std::vector<Notification> items;
    for (const auto &d : s->pending)
        items.push_back({now, d.call, s});
    s->pending.clear();
    notifier.post(items);
}

void Engine::mix(float *out, std::size_t frames, double blockStart) {
    std::fill(out, out + 2 * frames, 0.0f);
    {
        std::lock_guard lock(playingMutex_);
        mixList_.assign(playing_.begin(), playing_.end());
    }
    if (mixBuffer_.size() < 2 * frames)
        mixBuffer_.resize(2 * frames);
    for (auto &s : mixList_) {
        bool finished = false;
        {
            std::lock_guard lock(s->mutex);
            if (s->state != Stream::State::Playing || s->freed)
                continue;
            s->pending.clear();
            const std::size_t n = s->renderFloat(mixBuffer_.data(), frames);
            for (std::size_t i = 0; i < 2 * n; ++i)
                out[i] += mixBuffer_[i];
            for (const auto &d : s->pending)
                mixDeferred_.push_back({blockStart + latency + d.frameOffset / s->rate, d.call, s});
            s->pending.clear();
            if (s->ended) {
                s->state = Stream::State::Stopped;
                finished = true;
            }
        }
        if (finished) {
            setPlaying(s, false);
            if (s->flags & BASS_STREAM_AUTOFREE)
                release(s);
        }
    }
    mixList_.clear();
    notifier.post(mixDeferred_);
}

namespace {
std::string utf16ToUtf8(const char16_t *w) {
    std::string out;
    for (; *w; ++w) {
        std::uint32_t c = *w;
        if (c >= 0xD800 && c < 0xDC00 && w[1] >= 0xDC00 && w[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (w[1] - 0xDC00);
            ++w;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}
} // namespace

std::string pathArg(const void *file, DWORD flags) {
    if (!file)
        return {};
    if (flags & BASS_UNICODE)
        return utf16ToUtf8(static_cast<const char16_t *>(file));
    return static_cast<const char *>(file);
}

} // namespace cantora::audio
