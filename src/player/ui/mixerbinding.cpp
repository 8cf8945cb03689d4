#include "player/ui/mixerbinding.h"

#include "app/dialogs/dialogs.h"
#include "player/gmnames.h"
#include "player/mixer.h"
#include "player/mixercontrols.h"
#include "player/transport.h"
#include "player/ui/channelstrips.h"
#include "player/ui/effectspanel.h"
#include "player/ui/soundfontbar.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace cantora::player {

namespace {
QString q(const std::string &s) { return QString::fromStdString(s); }
} // namespace

MixerBinding::MixerBinding(Transport &transport, Mixer &mixer, ChannelStrips *strips, EffectsPanel *effects,
                           QSlider *key, QPushButton *reset, SoundFontBar *fonts, std::function<void()> renderAll,
                           QObject *parent)
    : QObject(parent), transport_(transport), mixer_(mixer), strips_(strips), effects_(effects), key_(key) {
    auto edit = [this](auto change) {
        return [this, change](auto... args) {
            change(args...);
            liveEdited();
        };
    };
    auto channel = [this](int c) -> const ChannelRecord & {
        return transport_.channels()[static_cast<std::size_t>(c)];
    };
    connect(strips_, &ChannelStrips::volumeMoved, this, edit([this, channel](int c, int v) {
                strips_->Label3(c)->setText(channel(c).state == 10 ? QString("drums")
                                                                   : q(GetPatch(channel(c).program)));
                mixer_.volumeMoved(c, v);
            }));
    connect(strips_, &ChannelStrips::muteClicked, this, edit([this](int c, bool sounding) {
                const int slider = mixer_.muteClicked(c, sounding);
                const QSignalBlocker block(strips_->Slider2(c));
                strips_->Slider2(c)->setValue(slider);
                strips_->Slider2(c)->setEnabled(sounding);
            }));
    connect(strips_, &ChannelStrips::soloClicked, this,
            edit([this](int c) { strips_->showSolo(c, mixer_.soloClicked(c)); }));
    connect(strips_, &ChannelStrips::chorusMoved, this, edit([this](int c, int v) { mixer_.chorusMoved(c, v); }));
    connect(strips_, &ChannelStrips::reverbMoved, this, edit([this](int c, int v) { mixer_.reverbMoved(c, v); }));
    connect(strips_, &ChannelStrips::panMoved, this, edit([this](int c, int v) { mixer_.panMoved(c, v); }));
    connect(strips_, &ChannelStrips::channelKeyMoved, this,
            edit([this](int c, int v) { mixer_.channelKeyMoved(c, v); }));
    connect(strips_, &ChannelStrips::instrumentButtonClicked, this, [this, fonts, channel](int c) {
        const QSignalBlocker block(strips_->Option1(c));
        strips_->Option1(c)->setChecked(false);
        if (!transport_.flags().started)
            return;
        mixer_.instrumentListOpened();
        selectedChannel_ = c;
        if (c == SoundFonts::kDrumChannel) {
            fonts->Drum(c);
            return;
        }
        strips_->Option1(c)->setChecked(true);
        strips_->showInstruments(c, channel(c).program);
    });
    connect(strips_, &ChannelStrips::instrumentListClicked, this, edit([this](int program) {
                if (mixer_.instrumentClicked(selectedChannel_, program))
                    strips_->instrumentChosen(selectedChannel_, program);
            }));
    connect(strips_, &ChannelStrips::programVolumeLockClicked, this, [this](bool ticked) {
        transport_.lockProgramsAndVolumes = ticked;
        dialogs::Dialogs::current().msgBox(
            strips_, ticked ? "Program Change & Volume Disabled" : "Program Change & Volume Enabled",
            dialogs::Exclamation, "");
    });
    connect(strips_, &ChannelStrips::multiFontClicked, this, [this, renderAll = std::move(renderAll)] {
        transport_.fonts().multiFont = true;
        renderAll();
        strips_->CmdKmt()->setEnabled(true);
    });
    connect(key_, &QSlider::valueChanged, this, edit([this](int v) { mixer_.keyMoved(v); }));
    connect(effects_, &EffectsPanel::pitchClicked, this, [this] { key_->setValue(0); });
    connect(effects_, &EffectsPanel::tempoMoved, this, edit([this](int v) { mixer_.tempoMoved(v); }));
    connect(effects_, &EffectsPanel::equalizerClicked, this, [this](bool) { chkEqualizer_Click(); });
    connect(effects_, &EffectsPanel::eqChanged, this, edit([this](int b, int v) { mixer_.eqMoved(b, v); }));
    connect(effects_, &EffectsPanel::compressorClicked, this,
            edit([this](bool on) { mixer_.compressor(on, effects_->sldPhaser(1)->value()); }));
    connect(effects_, &EffectsPanel::compressorMoved, this, edit([this](int v) {
                if (effects_->chkPhaser()->isChecked())
                    mixer_.compressor(true, v);
            }));
    connect(reset, &QPushButton::clicked, effects_, &EffectsPanel::EqReset);
}

void MixerBinding::liveEdited() {
    transport_.applyLive();
    effects_->showKey(transport_.live().key);
    effects_->showTempo(q(tempoTip(effects_->sldTempo()->value())), q(transport_.bpm()));
}

void MixerBinding::showBpm(const QString &bpm) { effects_->showTempo(q(tempoTip(effects_->sldTempo()->value())), bpm); }

void MixerBinding::chkEqualizer_Click() {
    // Box and band faders into the settings: a new stream gets the equaliser anew.
    mixer_.equalizer(effects_->chkEqualizer()->isChecked());
    for (int b = 0; b < 7; ++b)
        mixer_.eqMoved(b, effects_->sldEQ(b)->value());
    liveEdited();
}

void MixerBinding::Clear() {
    mixer_.clear();
    strips_->clearKeys();
    strips_->showSolo(0, false);
    strips_->CmdMulti()->setEnabled(false);
    strips_->CmdKmt()->setEnabled(false);
    effects_->clear();
}

} // namespace cantora::player
