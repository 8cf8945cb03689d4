#include "lyrics/ui/singalongview.h"

#include "lyrics/singalonglayout.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace cantora::lyrics {

namespace {

struct Palette {
    QColor background, text, sung, next;
};

Palette paletteOf(LyricContrast c) {
    switch (c) {
    case LyricContrast::Day: return {QColor("#ffffff"), QColor("#000000"), QColor("#c00000"), QColor("#404040")};
    case LyricContrast::Yellow: return {QColor("#000000"), QColor("#ffff00"), QColor("#00ffff"), QColor("#c8c800")};
    case LyricContrast::Night: break;
    }
    return {QColor("#0a0e2a"), QColor("#ffffff"), QColor("#ffc400"), QColor("#a8b0d8")};
}

// Text size at scale 1, in pixels.
constexpr double kReferencePx = 100.0;

QString q(const std::string &s) { return QString::fromStdString(s); }

} // namespace

SingAlongView::SingAlongView(QWidget *parent) : QWidget(parent) {
    setObjectName("singAlong");
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 120);
    wall_.start();
    frames_ = new QTimer(this);
    frames_->setObjectName("frameTimer");
    frames_->setInterval(kFrameMs);
    frames_->setTimerType(Qt::PreciseTimer);
    connect(frames_, &QTimer::timeout, this, &SingAlongView::frameTick);
    change_ = new QTimer(this);
    change_->setSingleShot(true);
    change_->setTimerType(Qt::PreciseTimer);
    connect(change_, &QTimer::timeout, this, [this] {
        const double now = position_ ? position_() : -1;
        if (now < 0)
            return;
        if (now < changeAt_) {
            // Woken a little early: wait for the rest, unless a regular frame comes first.
            const double ms = (changeAt_ - now) / rate_ * 1000.0;
            if (ms < kFrameMs)
                change_->start(std::max(1, static_cast<int>(std::ceil(ms))));
            return;
        }
        keepFresh(now);
        repaint();
    });
}

void SingAlongView::frameTick() {
    // Stopped or paused, the picture does not change: no frame is painted.
    const double now = position_ ? position_() : -1;
    if (now == polled_)
        return;
    const double wall = static_cast<double>(wall_.nsecsElapsed()) / 1e9;
    if (polled_ >= 0 && now > polled_ && wall > polledWall_) {
        const double rate = (now - polled_) / (wall - polledWall_);
        if (rate > 0.05 && rate < 8)
            rate_ = 0.7 * rate_ + 0.3 * rate;
    }
    polled_ = now;
    polledWall_ = wall;
    keepFresh(now);
    update();
    armChange(now);
}

void SingAlongView::keepFresh(double now) {
    fresh_ = now;
    freshWall_ = static_cast<double>(wall_.nsecsElapsed()) / 1e9;
}

void SingAlongView::armChange(double now) {
    if (!timeline_ || now < 0)
        return;
    const double next = timeline_->nextChangeAfter(now);
    if (next < 0)
        return;
    const double ms = (next - now) / rate_ * 1000.0;
    if (ms < kFrameMs * 1.5) {
        changeAt_ = next;
        change_->start(std::max(0, static_cast<int>(std::ceil(ms))));
    }
}

void SingAlongView::setTimeline(std::shared_ptr<const LyricTimeline> timeline, const std::string &fallbackTitle) {
    timeline_ = std::move(timeline);
    fallbackTitle_ = fallbackTitle;
    widths_.clear();
    scale_ = -1;
    update();
}

void SingAlongView::setContrast(LyricContrast contrast) {
    contrast_ = contrast;
    update();
}

QString SingAlongView::titleText() const {
    if (timeline_ && !timeline_->title().empty())
        return q(timeline_->title());
    return q(fallbackTitle_);
}

void SingAlongView::showEvent(QShowEvent *event) {
    frames_->start();
    QWidget::showEvent(event);
}

void SingAlongView::hideEvent(QHideEvent *event) {
    frames_->stop();
    change_->stop();
    QWidget::hideEvent(event);
}

void SingAlongView::resizeEvent(QResizeEvent *event) {
    scale_ = -1;
    QWidget::resizeEvent(event);
}

double SingAlongView::measured(std::string_view text, const QFontMetricsF &ref) {
    auto [it, added] = widths_.try_emplace(std::string(text), 0.0);
    if (added)
        it->second = ref.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return it->second;
}

void SingAlongView::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        emit escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SingAlongView::paintEvent(QPaintEvent *) {
    const Palette pal = paletteOf(contrast_);
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(rect(), pal.background);

    // The position the frame was asked for, if just read: the engine's
    // position is read once per frame.
    const double wall = static_cast<double>(wall_.nsecsElapsed()) / 1e9;
    const bool fresh = freshWall_ >= 0 && wall - freshWall_ < 0.004;
    const double now = fresh ? fresh_ : position_ ? position_() : -1;
    freshWall_ = -1;
    static const LyricTimeline none;
    const LyricTimeline &tl = timeline_ ? *timeline_ : none;
    SingAlongFrame frame = tl.frameAt(now < 0 ? 0 : now);
    if (now < 0) {
        frame = SingAlongFrame{};
        frame.showTitle = true;
    }
    paintedAt_ = now;
    painted_ = frame;

    const double margin = width() * 0.04;
    const double width = this->width() - 2 * margin;
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(static_cast<int>(kReferencePx));
    const QFontMetricsF ref(font);
    const MeasureText measure = [this, &ref](std::string_view s) { return measured(s, ref); };
    const double rowHeight = ref.height() * 1.15;

    // The countdown sits above everything else.
    const double dotsHeight = height() * 0.12;
    if (frame.countdownDots > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(pal.sung);
        const double r = dotsHeight * 0.22;
        const double cx = this->width() / 2.0, cy = dotsHeight * 0.6;
        for (int i = 0; i < frame.countdownDots; ++i)
            p.drawEllipse(QPointF(cx + (i - (frame.countdownDots - 1) / 2.0) * r * 3, cy), r, r);
    }
    const double top = dotsHeight;
    const double height = this->height() - top - margin;

    if (frame.showTitle) {
        std::vector<std::vector<std::string>> lines = {{titleText().toStdString()}};
        if (!tl.artist().empty())
            lines.push_back({tl.artist()});
        const double scale = fitScale(lines, measure, width, height, rowHeight, 0.9, 0.1);
        double y = top + (height - static_cast<double>(lines.size()) * rowHeight * scale) / 2;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            QFont f = font;
            f.setPixelSize(std::max(1, static_cast<int>(kReferencePx * scale * (i == 0 ? 1.0 : 0.7))));
            p.setFont(f);
            p.setPen(i == 0 ? pal.sung : pal.next);
            p.drawText(QRectF(margin, y, width, rowHeight * scale), Qt::AlignCenter, q(lines[i][0]));
            y += rowHeight * scale;
        }
    } else if (frame.lineCount() > 0) {
        auto syllablesOf = [&tl](std::size_t line) {
            std::vector<std::string> out;
            for (const TimedSyllable &s : tl.lines()[line].syllables)
                out.push_back(s.text);
            return out;
        };
        // One text size for the whole song at this size of the view.
        if (scale_ < 0 || scaleSize_ != size()) {
            std::vector<std::vector<std::string>> all;
            for (std::size_t i = 0; i < tl.lines().size(); ++i)
                all.push_back(syllablesOf(i));
            scale_ = songScale(all, measure, width, height, rowHeight, 1.0, 0.1);
            scaleSize_ = size();
        }
        const double scale = scale_;
        QFont f = font;
        f.setPixelSize(std::max(1, static_cast<int>(kReferencePx * scale)));
        p.setFont(f);
        // Each line keeps its place while it is up: an empty row still takes a row's height.
        std::vector<std::string> syl[2];
        std::vector<LayoutRow> rows[2];
        std::size_t rowCount = 0;
        for (int r = 0; r < 2; ++r) {
            if (frame.rows[r] != SingAlongFrame::kNoLine) {
                syl[r] = syllablesOf(frame.rows[r]);
                rows[r] = wrapSyllables(syl[r], measure, width / scale);
            }
            rowCount += std::max<std::size_t>(1, rows[r].size());
        }
        double y = top + (height - static_cast<double>(rowCount) * rowHeight * scale) / 2;
        for (int r = 0; r < 2; ++r) {
            if (frame.rows[r] == SingAlongFrame::kNoLine) {
                y += rowHeight * scale;
                continue;
            }
            const std::vector<double> wipe = tl.wipeAt(frame.rows[r], now);
            for (const LayoutRow &row : rows[r]) {
                QString text;
                for (std::size_t i = row.first; i < row.first + row.count; ++i)
                    text += q(syl[r][i]);
                const double w = row.width * scale;
                const QRectF box(margin + (width - w) / 2, y, w + 2, rowHeight * scale);
                p.setPen(frame.rows[r] == frame.current ? pal.text : pal.next);
                p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
                const double sung = rowWipeWidth(row, syl[r], measure, wipe) * scale;
                if (sung > 0) {
                    p.save();
                    p.setClipRect(QRectF(box.left(), box.top(), sung, box.height()));
                    p.setPen(pal.sung);
                    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
                    p.restore();
                }
                y += rowHeight * scale;
            }
        }
    }
    if (onPainted)
        onPainted(now);
}

} // namespace cantora::lyrics
