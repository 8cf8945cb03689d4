#include "player/ui/soundfontbar.h"

#include "app/dialogs/dialogs.h"
#include "core/apppaths.h"
#include "core/textcodec.h"
#include "player/mixer.h"
#include "player/mixercontrols.h"
#include "player/transport.h"
#include "player/ui/channelstrips.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace cantora::player {

namespace {
constexpr const char *kFontFilter = "Soundfonts (sf2)|*.sf2";
constexpr unsigned kChooserFlags = 0x81004;
QString q(const std::string &s) { return QString::fromStdString(s); }
} // namespace

SoundFontBar::SoundFontBar(SoundFontHost host, Transport &transport, Mixer &mixer, ChannelStrips *strips,
                           QWidget *parent)
    : QWidget(parent), host_(std::move(host)), transport_(transport), mixer_(mixer), strips_(strips) {
    setObjectName("soundFontBar");
    btnreplace = new QPushButton("SoundFont...", this);
    btnreplace->setObjectName("btnreplace");
    btnreplace->setToolTip("Replace the main SoundFont");
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(btnreplace);

    SldVol = new QSlider(Qt::Vertical, this);
    SldVol->setObjectName("SldVol");
    SldVol->setRange(1, 10);
    SldVol->setValue(5);
    SldVol->setInvertedAppearance(true);
    SldVol->setToolTip("SoundFont volume");
    TextR = new QLineEdit("5", this);
    TextR->setObjectName("TextR");
    TextR->setReadOnly(true);
    TextR->setMaximumWidth(36);
    TextR->setAlignment(Qt::AlignCenter);
    LblSfont = new QLabel(this);
    LblSfont->setObjectName("LblSfont");
    // A long SoundFont name is cut rather than shortening the slider or widening the window.
    LblSfont->setMinimumWidth(1);
    LblSfont->setMaximumWidth(220);

    for (int c = 0; c < 16; ++c)
        strips_->CmdSF2(c)->setToolTip(QString("SoundFont for channel %1").arg(c + 1));
    connect(btnreplace, &QPushButton::clicked, this, &SoundFontBar::btnreplace_Click);
    // Whatever moved the slider (drag, keys, wheel, a click in the groove), the value it ends at applies.
    connect(SldVol, &QSlider::valueChanged, this, [this] { SldVol_Scroll(); });
    connect(strips_, &ChannelStrips::soundFontClicked, this, &SoundFontBar::CmdSF2_Click);
    connect(strips_, &ChannelStrips::drumKitClicked, this, &SoundFontBar::LstDrum_Click);
    connect(strips_, &ChannelStrips::drumButtonClicked, this, &SoundFontBar::CmdDrum_Click);
}

void SoundFontBar::Font_General() { transport_.fontGeneral(); }

void SoundFontBar::SldVol_Scroll() {
    const int v = SldVol->value();
    transport_.setFontVolume(fontVolumeOf(v));
    TextR->setText(QString::number(fontVolumeBox(v)));
}

void SoundFontBar::showVolume(float volume) {
    const int shown = static_cast<int>(volume * 10.0f + 0.5f);
    const QSignalBlocker quiet(SldVol); // shown, not applied again
    SldVol->setValue(10 - shown);
    TextR->setText(QString::number(shown));
}

void SoundFontBar::refresh() { LblSfont->setText(q(transport_.soundFontLabel())); }

std::string SoundFontBar::chooseSoundFont(const std::string &initDir) {
    if (host_.choosing)
        host_.choosing();
    dialogs::FileRequest req;
    req.title = "Load SoundFonts";
    req.filter = kFontFilter;
    req.flags = kChooserFlags;
    req.initDir = initDir;
    dialogs::FileResult res = dialogs::Dialogs::current().showOpen(this, req);
    return res.cancelled() ? std::string() : res.path;
}

void SoundFontBar::btnreplace_Click() {
    auto &fonts = transport_.fonts();
    fonts.drumStale = true;
    const std::string chosen = chooseSoundFont(host_.startFolder ? host_.startFolder() : std::string());
    if (chosen.empty())
        return;
    if (host_.chosen)
        host_.chosen(chosen);
    auto pause = [](int ms, void *ctx) {
        if (auto &wait = static_cast<SoundFontBar *>(ctx)->host_.wait)
            wait(ms);
    };
    if (fonts.replaceMain(chosen, transport_.song().handle, pause, this)) {
        if (host_.replaced)
            host_.replaced();
        SldVol_Scroll();
    }
}

void SoundFontBar::CmdSF2_Click(int index) {
    if (index < 0 || index > 15)
        return;
    auto &fonts = transport_.fonts();
    fonts.chosenChannel = static_cast<std::int16_t>(index);
    const std::string chosen = chooseSoundFont(fonts.lastFolder.empty() ? kSystemSoundFonts : fonts.lastFolder);
    if (chosen.empty())
        return;
    fonts.lastFolder = core::FolderOf(chosen);
    fonts.assignChannelFont(index, chosen, transport_.channels()[static_cast<std::size_t>(index)].program);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (host_.wait)
        host_.wait(1000);
    QApplication::restoreOverrideCursor();
    transport_.applyChannelFonts();
    SldVol_Scroll();
    // With a channel font the song can be rendered with all its fonts.
    strips_->CmdMulti()->setEnabled(true);
}

void SoundFontBar::Drum(int channel) {
    drumChannel_ = channel;
    QListWidget *list = strips_->LstDrum();
    list->clear();
    for (const auto &name : transport_.fonts().Drum())
        list->addItem(q(core::toUtf8(name)));
    strips_->showDrumKits();
}

void SoundFontBar::nameSongKit(const ChannelRecord &drums) {
    if (drums.state == -1 || drums.program == 0)
        return;
    auto &fonts = transport_.fonts();
    const auto &names = fonts.Drum();
    for (std::size_t i = 0; i < names.size() && i < fonts.drumPresets.size(); ++i)
        if (fonts.drumPresets[i] == drums.program) {
            strips_->Label3(SoundFonts::kDrumChannel)->setText(q(core::toUtf8(names[i])));
            return;
        }
}

void SoundFontBar::LstDrum_Click(int row) {
    if (row < 0)
        return;
    transport_.chooseDrumKit(drumChannel_, row);
    const auto &names = transport_.fonts().drumNames;
    if (static_cast<std::size_t>(row) < names.size())
        strips_->Label3(SoundFonts::kDrumChannel)->setText(q(core::toUtf8(names[static_cast<std::size_t>(row)])));
}

void SoundFontBar::CmdDrum_Click() {
    mixer_.drumButtonClicked();
    strips_->hideDrumKits();
}

} // namespace cantora::player
