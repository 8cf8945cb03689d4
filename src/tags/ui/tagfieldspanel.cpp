#include "tags/ui/tagfieldspanel.h"

#include "tags/genres.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <cstdlib>

namespace cantora::tags {

namespace {
QString q(const std::string &s) { return QString::fromStdString(s); }
std::string s(const QString &t) { return t.toStdString(); }
} // namespace

bool isEditKey(const QKeyEvent *e) {
    // The arrows, Enter and the modifiers move or hold; every other key edits.
    switch (e->key()) {
    case Qt::Key_Right:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_CapsLock:
    case Qt::Key_Return:
    case Qt::Key_Enter: return false;
    default: return true;
    }
}

TagFieldsPanel::TagFieldsPanel(QWidget *parent) : QGroupBox("ID3v1", parent) {
    setObjectName("fraID3v1");
    auto *grid = new QGridLayout(this);
    auto box = [this](const char *name, int maxLength) {
        auto *e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMaxLength(maxLength);
        e->installEventFilter(this);
        return e;
    };
    txtTitle = box("txtTitle", 30);
    txtArtist = box("txtArtist", 30);
    txtAlbum = box("txtAlbum", 30);
    txtYear = box("txtYear", 4);
    Txtcomment = box("Txtcomment", 30);
    cboGenre = new QComboBox(this);
    cboGenre->setObjectName("cboGenre");
    for (std::string_view g : GenreList())
        cboGenre->addItem(g.size() == 1 && g[0] == '\0' ? QString() : QString::fromLatin1(g.data(), g.size()));
    cboGenre->setMaxVisibleItems(20);
    for (int k = 0; k < 4; ++k) {
        chkTags[k] = new QCheckBox(this);
        chkTags[k]->setObjectName(QString("chkTags_%1").arg(k));
        chkTags[k]->setToolTip("Apply to the file on Save");
        connect(chkTags[k], &QCheckBox::toggled, this, [this, k] { applyBoxToggled(k); });
    }
    const struct {
        const char *caption;
        QWidget *field;
        QCheckBox *apply;
    } rows[] = {{"Title:", txtTitle, nullptr},  {"Artist:", txtArtist, chkTags[0]}, {"Album:", txtAlbum, chkTags[1]},
                {"Year:", txtYear, chkTags[2]}, {"Comment:", Txtcomment, nullptr},  {"Genre:", cboGenre, chkTags[3]}};
    int r = 0;
    for (const auto &row : rows) {
        // The caption names its field for screen readers.
        auto *caption = new QLabel(row.caption, this);
        caption->setBuddy(row.field);
        grid->addWidget(caption, r, 0);
        grid->addWidget(row.field, r, 1);
        if (row.apply) {
            row.apply->setAccessibleName(QString("Apply %1").arg(QString(row.caption).chopped(1)));
            grid->addWidget(row.apply, r, 2);
        }
        ++r;
    }
    // Not one of the ID3v1 fields: a choice kept from file to file.
    chkId3v2 = new QCheckBox("ID3v2 lyrics for other players", this);
    chkId3v2->setObjectName("chkId3v2");
    chkId3v2->setChecked(true);
    chkId3v2->setToolTip("Save also writes the lyrics as USLT and SYLT, which phones and media players show");
    grid->addWidget(chkId3v2, r, 0, 1, 3);
    connect(chkId3v2, &QCheckBox::clicked, this, &TagFieldsPanel::id3v2LyricsChosen);
    connect(cboGenre, &QComboBox::activated, this, [this](int) {
        if (cboGenre->currentText() != genreRemembered_)
            emit edited();
        genreRemembered_ = cboGenre->currentText();
    });
}

void TagFieldsPanel::show(const Mp3Info &info) {
    txtTitle->setText(q(info.Title));
    txtAlbum->setText(q(info.Album));
    txtArtist->setText(q(info.Artist));
    txtYear->setText(q(info.Year));
    Txtcomment->setText(q(info.Comment));
    cboGenre->setCurrentIndex(0);
    if (!info.Genre.empty()) {
        char *end = nullptr;
        const long g = std::strtol(info.Genre.c_str(), &end, 10);
        // Bytes the list cannot show leave the empty entry.
        if (end && *end == '\0' && g >= 0 && g < cboGenre->count())
            cboGenre->setCurrentIndex(static_cast<int>(g));
    }
    genreRemembered_ = cboGenre->currentText();
}

void TagFieldsPanel::enableEditing(bool flag) {
    for (QCheckBox *c : chkTags) {
        const QSignalBlocker block(c);
        c->setChecked(false);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{txtTitle, txtArtist, txtAlbum, txtYear, Txtcomment, cboGenre,
                                                       chkTags[0], chkTags[1], chkTags[2], chkTags[3]})
        w->setEnabled(flag);
}

EditorFields TagFieldsPanel::fields() const {
    return EditorFields{s(txtTitle->text()),
                        s(txtArtist->text()),
                        s(txtAlbum->text()),
                        s(txtYear->text()),
                        s(Txtcomment->text()),
                        cboGenre->currentIndex(),
                        {}};
}

bool TagFieldsPanel::applies(int k) const { return chkTags[static_cast<std::size_t>(k)]->isChecked(); }
bool TagFieldsPanel::hasTitle() const { return !txtTitle->text().isEmpty(); }
QString TagFieldsPanel::title() const { return txtTitle->text(); }
QString TagFieldsPanel::artist() const { return txtArtist->text(); }
QString TagFieldsPanel::album() const { return txtAlbum->text(); }
bool TagFieldsPanel::id3v2Lyrics() const { return chkId3v2->isChecked(); }
void TagFieldsPanel::setId3v2Lyrics(bool on) { chkId3v2->setChecked(on); }

void TagFieldsPanel::applyBoxToggled(int k) {
    QWidget *governed[4] = {txtArtist, txtAlbum, txtYear, cboGenre};
    governed[k]->setEnabled(chkTags[static_cast<std::size_t>(k)]->isChecked());
    bool any = false;
    for (QCheckBox *c : chkTags)
        any = any || c->isChecked();
    emit applyChanged(any);
}

bool TagFieldsPanel::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyRelease && qobject_cast<QLineEdit *>(watched) &&
        isEditKey(static_cast<QKeyEvent *>(event)))
        emit edited();
    return QGroupBox::eventFilter(watched, event);
}

} // namespace cantora::tags
