#include "tags/ui/mp3infopanel.h"

#include "core/samefile.h"
#include "playback/mediagraph.h"
#include "playback/ui/transportbinding.h"
#include "tags/tageditor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace cantora::tags {

namespace {
QString q(const std::string &s) { return QString::fromStdString(s); }
} // namespace

Mp3InfoPanel::Mp3InfoPanel(Mp3PlayHost host, playback::Mp3Player &player, QWidget *parent)
    : QWidget(parent), host_(std::move(host)), player_(player) {
    setObjectName("mp3InfoPanel");
    // Side by side: the editor shows this panel across its foot.
    auto *column = new QHBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    fraMPEGInfo = new QGroupBox("MPEG Info", this);
    fraMPEGInfo->setObjectName("fraMPEGInfo");
    auto *infoLayout = new QVBoxLayout(fraMPEGInfo);
    lblMPEGInfo = new QLabel(fraMPEGInfo);
    lblMPEGInfo->setObjectName("lblMPEGInfo");
    lblMPEGInfo->setMinimumHeight(lblMPEGInfo->fontMetrics().lineSpacing() * 7);
    lblMPEGInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    infoLayout->addWidget(lblMPEGInfo);
    column->addWidget(fraMPEGInfo);

    picPlayer = new QWidget(this);
    picPlayer->setObjectName("picPlayer");
    auto *playerLayout = new QGridLayout(picPlayer);
    const char *captions[5] = {"<< 5s", "Play", "Pause", "Stop", "5s >>"};
    auto *buttons = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        cmdPlayer[i] = new QPushButton(captions[i], picPlayer);
        cmdPlayer[i]->setObjectName(QString("cmdPlayer_%1").arg(i));
        connect(cmdPlayer[i], &QPushButton::clicked, this, [this, i] { cmdPlayer_Click(i); });
        buttons->addWidget(cmdPlayer[i]);
    }
    cmdPlayer[1]->setEnabled(false);
    playerLayout->addLayout(buttons, 0, 0, 1, 3);
    lblTiempoT = new QLabel("00:00", picPlayer);
    lblTiempoT->setObjectName("lblTiempoT");
    lblTiempoT->setToolTip("Elapsed time"); // the value is the label's own text
    lblDuracion = new QLabel("00:00", picPlayer);
    lblDuracion->setObjectName("lblDuracion");
    lblDuracion->setToolTip("Length");
    picRep = new QWidget(picPlayer);
    picRep->setObjectName("picRep");
    auto *repLayout = new QHBoxLayout(picRep);
    repLayout->setContentsMargins(0, 0, 0, 0);
    picSliderRep = new playback::KnobStrip(playback::KnobStrip::Axis::Horizontal, playback::Mp3Player::kKnobMaxLeft,
                                           "imgNormal_15", picRep);
    picSliderRep->setObjectName("picSliderRep");
    repLayout->addWidget(picSliderRep);
    playerLayout->addWidget(lblTiempoT, 1, 0);
    playerLayout->addWidget(picRep, 1, 1);
    playerLayout->addWidget(lblDuracion, 1, 2);
    lblvol = new QLabel("Volume", picPlayer);
    lblvol->setObjectName("lblvol");
    picSliderVol = new playback::KnobStrip(playback::KnobStrip::Axis::Vertical, playback::Mp3Player::kVolumeMaxTop,
                                           "imgNormal_16", picPlayer);
    picSliderVol->setObjectName("picSliderVol");
    playerLayout->addWidget(lblvol, 0, 3);
    playerLayout->addWidget(picSliderVol, 1, 3, 2, 1);
    column->addWidget(picPlayer, 1);
    // The strips show their track, so the knobs read as sliders.
    for (QWidget *strip : {static_cast<QWidget *>(picSliderRep), static_cast<QWidget *>(picSliderVol)}) {
        QPalette p = strip->palette();
        p.setColor(QPalette::Window, p.color(QPalette::Mid));
        strip->setPalette(p);
        strip->setAutoFillBackground(true);
    }
    binding_ = new playback::TransportBinding(player_, picSliderRep, picSliderVol, lblTiempoT, lblDuracion, this);
}

// The binding refers to the player, which the editor stops after its panels are gone.
Mp3InfoPanel::~Mp3InfoPanel() { delete binding_; }

void Mp3InfoPanel::showInfo(const Mp3Info &info) {
    lblMPEGInfo->setText(q(WithLf(FormatInfoPanel(info))));
    // The length is known before Play; playing gives the player's own.
    lblTiempoT->setText("00:00");
    lblDuracion->setText(q(info.Length.empty() ? "00:00" : info.Length));
}
void Mp3InfoPanel::clearInfo() { lblMPEGInfo->clear(); }
void Mp3InfoPanel::fileLoaded() { cmdPlayer[1]->setEnabled(true); }
void Mp3InfoPanel::enablePlayer(bool flag) { picPlayer->setEnabled(flag); }

void Mp3InfoPanel::cmdPlayer_Click(int index) {
    switch (index) {
    case 0: player_.Five_Seg_Backward(); break;
    case 1:
        // Every start of playback brings the lyrics window back, a resume too.
        host_.starting();
        if (player_.State() == playback::PlayState::Paused) {
            player_.Pause_Play();
            break;
        }
        player_.SetPlayTimer(true);
        player_.Start_Play(host_.file());
        if (player_.Graph())
            player_.Graph()->SetVolume(player_.StoredVolume());
        else if (!player_.LastError().empty())
            host_.failed(player_.LastError());
        break;
    case 2:
        if (player_.State() == playback::PlayState::Paused)
            host_.starting();
        player_.Pause_Play();
        break;
    case 3:
        player_.Stop_Player();
        host_.stopped();
        // The player keeps its last knob place; the strip goes back to the start.
        picSliderRep->placeKnob(0);
        host_.pressed();
        return;
    case 4: player_.Five_Seg_Forward(); break;
    default: return;
    }
    binding_->refresh();
    host_.pressed();
}

void Mp3InfoPanel::ReleaseFile(const std::string &path) {
    resume_ = Resume{};
    if (player_.State() == playback::PlayState::Stopped || !core::sameFile(player_.PlayingFile(), path))
        return;
    resume_.active = true;
    resume_.paused = player_.State() == playback::PlayState::Paused;
    resume_.position = player_.CurrentPosition();
    player_.Stop_Player();
}

void Mp3InfoPanel::ResumeFile(const std::string &path) {
    if (!resume_.active)
        return;
    resume_.active = false;
    player_.SetPlayTimer(true);
    player_.Start_Play(path);
    if (playback::MediaGraph *g = player_.Graph()) {
        g->SetVolume(player_.StoredVolume());
        g->SetCurrentPosition(resume_.position);
        if (resume_.paused)
            player_.Pause_Play();
    }
}

} // namespace cantora::tags
