#include "render/ui/conversionpanel.h"

#include "app/dialogs/dialogs.h"
#include "cdg/cdgfile.h"
#include "core/apppaths.h"
#include "core/preferences.h"
#include "core/safeoutput.h"
#include "render/encoderpresets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <cmath>
#include <filesystem>

namespace cantora::render {

namespace {

constexpr const char *kWaveTitle = "Midi To Wave ";
constexpr const char *kMp3Title = "Midi To Mp3";
constexpr const char *kProfessional = "Cantora Professional";
constexpr const char *const kBitRates[] = {"64", "96", "128", "160", "192", "224", "256", "320"};
// The rates an MP3 can hold at CD quality; the render and the MP3 take the one chosen.
constexpr const char *const kRates[] = {"32000", "44100", "48000"};

QString q(const std::string &s) { return QString::fromStdString(s); }

// Seconds of audio in a render.
double secondsOf(const SongRenderResult &r) {
    return r.rate && r.channels ? double(r.dataBytes) / (2.0 * r.channels * r.rate) : 0.0;
}

// Why a rendering failed, in the user's words.
std::string renderFailure(const SongRenderResult &r) {
    std::string text = "The song could not be rendered: " + r.error;
    if (r.engineError)
        text += " (engine error " + std::to_string(r.engineError) + ")";
    return text;
}

QProgressBar *makeProgress(QWidget *parent, const char *name) {
    auto *p = new QProgressBar(parent);
    p->setObjectName(name);
    p->setRange(0, 100);
    p->setMaximumWidth(200);
    p->hide();
    return p;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

void enable(QObject *control, bool on) {
    if (!control)
        return;
    if (auto *w = qobject_cast<QWidget *>(control))
        w->setEnabled(on);
    else if (auto *a = qobject_cast<QAction *>(control))
        a->setEnabled(on);
}

} // namespace

ConversionPanel::ConversionPanel(ConversionHost host, QWidget *parent) : QWidget(parent), host_(std::move(host)) {
    setObjectName("conversionPanel");
    btnConvert = makeButton(this, "btnConvert", "Wave");
    cmdsave = makeButton(this, "cmdsave", QString());
    cmdsave->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    cmdsave->setToolTip("MP3");
    connect(btnConvert, &QPushButton::clicked, this, &ConversionPanel::btnConvert_Click);
    connect(cmdsave, &QPushButton::clicked, this, &ConversionPanel::cmdsave_Click);

    LblExtr[0] = makeLabel(this, "LblExtr_0", "Midi to Mp3: please wait...");
    LblExtr[1] = makeLabel(this, "LblExtr_1", "Midi to Wave: please wait...");
    for (QLabel *l : LblExtr) {
        l->setStyleSheet("color: #b00000; font-weight: bold;");
        l->hide();
    }
    Pbregg = makeProgress(this, "Pbregg");
    Prog = makeProgress(this, "Prog");
    lblStrFile = makeLabel(this, "lblStrFile", QString());
    // A long song name must not widen the window.
    lblStrFile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblStrFile->hide(); // shown while a conversion runs
    lblPos = makeLabel(this, "lblPos", QString());
    lblPos->setMinimumWidth(110);

    cboOption = new QComboBox(this);
    cboOption->setObjectName("cboOption");
    cboOption->setToolTip("MP3 encoder preset");
    // The whole preset text shows: the row has room for it while no conversion runs.
    cboOption->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    LoadPresets();
    // The bit rate and sample rate lists open from their buttons and hide once a value is chosen.
    auto choice = [this](const char *name, const char *button, const char *const *items, int count, const char *current,
                         const QString &tip, QPushButton *&shown) {
        auto *box = new QComboBox(this);
        box->setObjectName(name);
        for (int i = 0; i < count; ++i)
            box->addItem(items[i]);
        box->setCurrentText(current);
        box->setToolTip(tip);
        box->hide();
        shown = makeButton(this, button, QString());
        shown->setFlat(true);
        shown->setToolTip(tip);
        connect(shown, &QPushButton::clicked, box, [box] {
            box->show();
            box->showPopup();
        });
        return box;
    };
    Combo2 = choice("Combo2", "cmdBitRate", kBitRates, int(std::size(kBitRates)), "128", "MP3 bit rate (kbit/s)",
                    cmdBitRate);
    CmbFreq = choice("CmbFreq", "cmdFreq", kRates, int(std::size(kRates)), "44100", "Output sample rate (Hz)", cmdFreq);
    cmdBitRate->setText("128 kbps");
    cmdFreq->setText("44100 Hz");
    chkCdg = rememberedBox("chkCdg", "CD+G too (MP3+G)", "Mp3Cdg");
    chkNormalise = rememberedBox("chkNormalise", "Normalise loudness", "NormaliseLoudness");
    connect(cboOption, &QComboBox::activated, this, &ConversionPanel::cboOption_Click);
    connect(Combo2, &QComboBox::activated, this, &ConversionPanel::Combo2_Click);
    connect(CmbFreq, &QComboBox::activated, this, &ConversionPanel::CmbFreq_Click);

    // One row: the progress of a running conversion, or (otherwise) the MP3 settings, which
    // cannot change while a conversion runs.
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : std::initializer_list<QWidget *>{LblExtr[0], LblExtr[1], Pbregg, Prog, lblPos})
        row->addWidget(w);
    row->addWidget(lblStrFile, 1);
    settings_ = new QWidget(this);
    settings_->setObjectName("conversionSettings");
    auto *settingsRow = new QHBoxLayout(settings_);
    settingsRow->setContentsMargins(0, 0, 0, 0);
    settingsRow->addWidget(new QLabel("MP3:", settings_));
    for (QWidget *w :
         std::initializer_list<QWidget *>{cboOption, chkCdg, cmdBitRate, Combo2, cmdFreq, CmbFreq, chkNormalise}) {
        w->setParent(settings_);
        settingsRow->addWidget(w);
    }
    row->addWidget(settings_);
}

ConversionPanel::~ConversionPanel() {
    // The worker reports to this panel: it ends first.
    job_.reset();
    busyCursor(false);
}

QCheckBox *ConversionPanel::rememberedBox(const char *name, const QString &text, const char *key) {
    auto *box = new QCheckBox(text, this);
    box->setObjectName(name);
    const std::string prefs = core::appFile(core::Preferences::kFileName);
    box->setChecked(core::Preferences::load(prefs).getInt(key, 0) != 0);
    connect(box, &QCheckBox::toggled, this, [prefs, key](bool on) {
        core::Preferences p = core::Preferences::load(prefs);
        p.set(key, on ? "1" : "0");
        p.save(prefs);
    });
    return box;
}

void ConversionPanel::LoadPresets() {
    cboOption->clear();
    for (const EncoderPreset &p : EncoderPresets())
        cboOption->addItem(p.text, QVariant::fromValue<qlonglong>(p.code));
    cboOption->setCurrentIndex(kDefaultPresetIndex);
    cboOption_Click(kDefaultPresetIndex);
}

void ConversionPanel::cboOption_Click(int index) {
    if (index >= 0 && index < cboOption->count())
        mp3_.preset = static_cast<long>(cboOption->itemData(index).toLongLong());
}

void ConversionPanel::Combo2_Click(int index) {
    if (index < 0)
        return;
    Combo2->setCurrentIndex(index);
    // The encoder takes it in kbit/s: it sets the fixed and average bit-rate presets.
    bitRate_ = Combo2->currentText().toInt() * 1000;
    mp3_.bitRateKbps = bitRate_ / 1000;
    cmdBitRate->setText(QString("%1 kbps").arg(mp3_.bitRateKbps));
    dialogs::Dialogs::current().msgBox(this, "Mp3 Setup", dialogs::Question, "Cantora KARAOKE");
    Combo2->hide();
}

void ConversionPanel::CmbFreq_Click(int index) {
    if (index < 0)
        return;
    CmbFreq->setCurrentIndex(index);
    // Kept with the settings; the render and the MP3 take it.
    setSampleRate(CmbFreq->currentText().toInt());
    dialogs::Dialogs::current().msgBox(this, "Frequency setup", dialogs::OkOnly, "Midi to Mp3");
    CmbFreq->hide();
}

void ConversionPanel::setSampleRate(std::int32_t hz) {
    // A rate not offered (an older settings file's 96000) falls back to 44100.
    const int index = CmbFreq->findText(QString::number(hz));
    const std::int32_t rate = index >= 0 ? hz : 44100;
    mp3_.rate = static_cast<std::uint32_t>(rate);
    CmbFreq->setCurrentText(QString::number(rate));
    cmdFreq->setText(QString("%1 Hz").arg(rate));
}

void ConversionPanel::setWanted(bool wave, bool mp3) {
    btnConvert->setProperty("wantedEnabled", wave);
    btnConvert->setEnabled(wave && !converting());
    cmdsave->setProperty("wantedEnabled", mp3);
    cmdsave->setEnabled(mp3 && !converting());
}

void ConversionPanel::setWaveWanted(bool wave) { setWanted(wave, cmdsave->property("wantedEnabled").toBool()); }

void ConversionPanel::busyCursor(bool busy) {
    if (busy == busyCursor_)
        return;
    busyCursor_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void ConversionPanel::showLoudness(const QString &report) {
    lblStrFile->setText(report);
    emit loudnessMeasured(report);
}

void ConversionPanel::lockForRendering(bool locked) {
    for (QWidget *panel : lock_.mixer)
        panel->setEnabled(!locked);
    settings_->setVisible(!locked);
    // The song's name and size, then a normalised song's loudness (also in the status bar): only while it runs,
    // the settings leave them no room after.
    lblStrFile->setVisible(locked);
    // Wave and MP3 follow the job: disabled while it runs, as wanted after.
    setWanted(btnConvert->property("wantedEnabled").toBool(), cmdsave->property("wantedEnabled").toBool());
    if (!locked) {
        enable(lock_.stop, stopWasEnabled_);
        return;
    }
    stopWasEnabled_ = lock_.stop && lock_.stop->property("enabled").toBool();
    enable(lock_.stop, true);
    for (auto *group : {&lock_.session, &lock_.song})
        for (QObject *control : *group)
            enable(control, false);
    enable(lock_.play, false);
    if (lock_.displayTimer)
        lock_.displayTimer->stop();
    busyCursor(true);
    Pbregg->setValue(0);
    Pbregg->show();
}

void ConversionPanel::release(bool all) {
    for (QObject *control : lock_.session)
        enable(control, true);
    if (!all)
        return;
    for (QObject *control : lock_.song)
        enable(control, true);
    enable(lock_.play, true);
}

void ConversionPanel::post(std::uint64_t generation, std::function<void()> report) {
    // A report of a conversion given up since is dropped.
    auto guarded = [this, generation, report = std::move(report)] {
        if (generation == generation_)
            report();
    };
    if (run_ == ConversionJob::Run::Inline)
        guarded();
    else
        QMetaObject::invokeMethod(this, std::move(guarded), Qt::QueuedConnection);
}

RenderWatch ConversionPanel::watchFor(std::uint64_t generation) {
    // What the worker has shown already, touched by the worker only.
    struct Seen {
        std::int64_t length = 0;
        int rendered = -1, encoded = -1;
    };
    auto seen = std::make_shared<Seen>();
    const QString name = q(core::GetFileName(host_.song()));
    RenderWatch watch;
    watch.started = [=, this](std::int64_t lengthBytes, double seconds) {
        seen->length = lengthBytes;
        post(generation, [=, this] {
            lblStrFile->setText(QString("Streaming file: %1 [%2 bytes]").arg(name).arg(lengthBytes));
            if (lengthBytes > 0 && host_.songLength)
                host_.songLength(seconds);
            lblPos->setText("Pos:");
        });
    };
    watch.block = [=, this](std::int64_t position) {
        const int percent = percentOf(position, seen->length);
        if (percent == seen->rendered)
            return;
        seen->rendered = percent;
        post(generation, [=, this] {
            lblPos->setText(QString("Pos: %1").arg(position));
            Pbregg->setValue(percent);
        });
    };
    watch.encoded = [=, this](std::int64_t done, std::int64_t total) {
        const int percent = percentOf(done, total);
        if (percent == seen->encoded)
            return;
        seen->encoded = percent;
        post(generation, [=, this] { Prog->setValue(percent); });
    };
    return watch;
}

bool ConversionPanel::confirmed(const char *title) {
    if (converting() || host_.song().empty() || (host_.soundReady && !host_.soundReady()))
        return false;
    return dialogs::Dialogs::current().msgBox(this, "Confermi", dialogs::YesNo | dialogs::Question, title) ==
           dialogs::Yes;
}

void ConversionPanel::btnConvert_Click() {
    if (!confirmed(kWaveTitle))
        return;
    if (host_.waveStarting)
        host_.waveStarting();
    setWanted(btnConvert->property("wantedEnabled").toBool(), false);
    phase_ = Phase::Wave;
    waveRendered_ = false;
    lockForRendering(true);
    LblExtr[1]->show();
    const std::uint64_t generation = ++generation_;
    const RenderWatch watch = watchFor(generation);
    job_ = std::make_unique<ConversionJob>(core::appFolder(), run_);
    waveNormalised_ = chkNormalise->isChecked();
    job_->start([this, job = job_.get(), song = host_.song(), live = host_.liveSettings(), watch, generation,
                 normalise = waveNormalised_, rate = mp3_.rate] {
        SongRenderResult result = job->renderWave(song, live, watch, rate);
        std::string loudness;
        if (result.ok && normalise) {
            LoudnessReport report;
            if (std::string why = job->normalizeWave(report); !why.empty()) {
                result = SongRenderResult{};
                result.error = why;
            } else {
                loudness = loudnessText(report);
            }
        }
        post(generation, [this, result, loudness] {
            if (!loudness.empty())
                showLoudness(q(loudness));
            waveRendered(result);
        });
    });
}

void ConversionPanel::waveRendered(const SongRenderResult &result) {
    if (!result.ok) {
        conversionFailed(kWaveTitle, renderFailure(result));
        return;
    }
    Pbregg->setValue(100);
    lblPos->setText(QString("Pos: %1").arg(result.dataBytes));
    waveRendered_ = true;
    // The decoder's last blocks settle before the file is offered; input is not held.
    host_.after(3000, [self = QPointer<ConversionPanel>(this)] {
        if (self)
            self->finishWave();
    });
}

void ConversionPanel::finishWave() {
    if (ending_ || phase_ != Phase::Wave)
        return;
    busyCursor(false);
    dialogs::Dialogs::current().msgBox(this, "Midi to Wave Done!", dialogs::OkOnly, "Cantora KARAOKE");
    lblPos->clear();
    release(false);
    Pbregg->hide();
    LblExtr[1]->hide();
    phase_ = Phase::Idle;
    lockForRendering(false);
    SaveWave();
}

std::string ConversionPanel::askSave(const char *title, const char *filter) {
    dialogs::FileRequest req;
    req.title = title;
    req.filter = filter;
    req.flags = dialogs::kOverwritePrompt;
    req.initDir = host_.saveFolder ? host_.saveFolder() : std::string();
    const dialogs::FileResult res = dialogs::Dialogs::current().showSave(this, req);
    if (res.cancelled() || res.path.empty())
        return {};
    if (host_.saved)
        host_.saved(res.path);
    return res.path;
}

void ConversionPanel::SaveWave() {
    const std::string path = askSave("Save WAVE File As", "File Wave (*.wav)|*.wav");
    if (path.empty())
        return;
    // The copy is built beside the target and renamed over it, so a failed
    // copy leaves the user's old file as it was (the dialog asked before replacing it).
    const std::string work = core::appFile(waveNormalised_ ? kNormWorkFile : kWaveWorkFile);
    if (const std::string why = core::copyFileSafely(work, path); !why.empty())
        dialogs::Dialogs::current().msgBox(this, why, dialogs::Exclamation, "Cantora KARAOKE");
}

void ConversionPanel::conversionFailed(const std::string &title, const std::string &why) {
    for (QLabel *wait : LblExtr)
        wait->hide();
    busyCursor(false);
    lblPos->clear();
    Pbregg->hide();
    Prog->hide();
    const bool stopped = stopped_;
    phase_ = Phase::Idle;
    stopped_ = false;
    ++generation_; // what the job still reports is no longer shown
    lockForRendering(false);
    if (ending_)
        return;
    release(true);
    setWanted(true, true);
    // Stop ends a conversion without a word.
    if (!stopped)
        dialogs::Dialogs::current().msgBox(this, why + "\nNothing was written.", dialogs::Critical, title);
}

void ConversionPanel::cmdsave_Click() {
    if (!confirmed(kMp3Title))
        return;
    auto &dlg = dialogs::Dialogs::current();
    enable(lock_.play, false);
    setWanted(btnConvert->property("wantedEnabled").toBool(), false);
    if (host_.mp3Starting)
        host_.mp3Starting();

    const std::string output = askSave("Save MP3 File As", "File MP3 (*.MP3)|*.MP3");
    if (output.empty()) {
        setWanted(btnConvert->property("wantedEnabled").toBool(), true);
        dlg.msgBox(this, "Annullato!", dialogs::OkOnly, "MIDI to MP3");
        release(true);
        return;
    }
    output_ = output;
    LblExtr[0]->show();
    // MidiMp3: the render and, at the same time, the encoding, each with its bar.
    setWanted(false, cmdsave->property("wantedEnabled").toBool());
    phase_ = Phase::Mp3;
    lockForRendering(true);
    Prog->setValue(0);
    Prog->show();
    const std::uint64_t generation = ++generation_;
    RenderWatch watch = watchFor(generation);
    watch.rendered = [this, generation](const SongRenderResult &r) { post(generation, [this, r] { mp3Rendered(r); }); };
    job_ = std::make_unique<ConversionJob>(core::appFolder(), run_);
    job_->start([this, job = job_.get(), song = host_.song(), live = host_.liveSettings(), settings = mp3_, watch,
                 generation, output, normalise = chkNormalise->isChecked(), withCdg = chkCdg->isChecked(),
                 tempo = host_.tempoFactor ? host_.tempoFactor() : 1.0] {
        SongRenderResult rendered;
        EncodeResult result;
        if (normalise) {
            // Rendered whole, brought to the usual loudness, then encoded.
            rendered = job->renderWave(song, live, watch, settings.rate);
            LoudnessReport report;
            if (rendered.ok)
                if (std::string why = job->normalizeWave(report); !why.empty()) {
                    rendered = SongRenderResult{};
                    rendered.error = why;
                }
            watch.rendered(rendered);
            if (!rendered.ok)
                return;
            post(generation, [this, text = q(loudnessText(report))] { showLoudness(text); });
            result = job->encodeWave(job->normPath(), settings, watch);
        } else {
            RenderWatch streaming = watch;
            streaming.rendered = [&](const SongRenderResult &r) {
                rendered = r;
                watch.rendered(r);
            };
            result = job->renderMp3(song, live, settings, streaming);
        }
        // The graphics go beside the MP3 the user named, under its stem.
        if (result.ok && withCdg) {
            std::vector<std::string> warnings;
            result.besideError = cdg::writeSongCdgBeside(song, output, secondsOf(rendered), tempo, cdg::CdgOptions{},
                                                         false, true, warnings, [job] { return job->cancelled(); });
        }
        post(generation, [this, result] { mp3Finished(result); });
    });
}

void ConversionPanel::mp3Rendered(const SongRenderResult &rendered) {
    if (!rendered.ok) {
        conversionFailed(kMp3Title, renderFailure(rendered));
        return;
    }
    lblPos->clear();
    Pbregg->hide();
    busyCursor(false);
    // The encoder goes on meanwhile; its end waits for this box.
    firstPhaseOpen_ = true;
    dialogs::Dialogs::current().msgBox(this, "Done! Prima Fase", dialogs::Question, kProfessional);
    firstPhaseOpen_ = false;
    if (ending_ || phase_ != Phase::Mp3)
        return;
    busyCursor(true);
    if (encoded_) {
        const EncodeResult result = *encoded_;
        encoded_.reset();
        mp3Finished(result);
    }
}

void ConversionPanel::mp3Finished(const EncodeResult &encoded) {
    if (firstPhaseOpen_) {
        encoded_ = encoded;
        return;
    }
    if (!encoded.ok) {
        conversionFailed(kMp3Title, "The MP3 could not be made: " + encoded.error);
        return;
    }
    Prog->setValue(100);
    busyCursor(false);
    dialogs::Dialogs::current().msgBox(this, "Done! Midi To Mp3", dialogs::Question, kProfessional);
    if (!encoded.besideError.empty())
        dialogs::Dialogs::current().msgBox(this, "The CD+G could not be written: " + encoded.besideError,
                                           dialogs::Exclamation, kMp3Title);
    release(false);
    LblExtr[0]->hide();
    Prog->hide();
    phase_ = Phase::Idle;
    lockForRendering(false);
    // Play, Wave and MP3 wait for the next song; the editor finishes this one.
    if (host_.converted)
        host_.converted(output_);
}

bool ConversionPanel::stop() {
    if (!converting())
        return false;
    stopped_ = true;
    job_->cancel();
    job_->wait();
    // A Wave rendered already waits only for its pause: it ends here. Any
    // other conversion ends with the report of its cancelled step.
    if (phase_ == Phase::Wave && waveRendered_)
        conversionFailed(kWaveTitle, {});
    return true;
}

void ConversionPanel::cancelForExit() {
    ending_ = true;
    if (job_) {
        job_->cancel();
        job_->wait();
    }
}

} // namespace cantora::render
