#include "ui/TrackLayoutDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace vh {

namespace {

// Dialog units of an 8-point dialog font: a quarter of its average character
// width across, an eighth of its height down.
QRect dialogUnits(int x, int y, int w, int h) {
    auto across = [](int du) { return du * 6 / 4; };
    auto down = [](int du) { return du * 13 / 8; };
    return QRect(across(x), down(y), across(w), down(h));
}

}  // namespace

TrackLayoutDlg::TrackLayoutDlg(int selection, QWidget* parent) : QDialog(parent), selection_(selection) {
    setWindowTitle(QStringLiteral("Export options"));
    setModal(true);
    QFont dialogFont(QStringLiteral("MS Shell Dlg"));
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    // The layout's controls keep their places; the CD-TEXT box adds a row below.
    setFixedSize(dialogUnits(0, 0, 214, 156).size());

    // The group box is only a frame drawn behind the buttons; the controls
    // are the dialog's own children, placed by hand in dialog units.
    auto* group = new QGroupBox(QStringLiteral("CD track layout (CUE file)"), this);
    group->setGeometry(dialogUnits(6, 7, 201, 104));

    perClip_ = new QRadioButton(QString::fromUtf8(kPerClipText), this);
    perClip_->setGeometry(dialogUnits(12, 18, 114, 12));
    perSong_ = new QRadioButton(QString::fromUtf8(kPerSongText), this);
    perSong_->setGeometry(dialogUnits(12, 60, 114, 12));
    auto* buttons = new QButtonGroup(this);
    buttons->addButton(perClip_, 0);
    buttons->addButton(perSong_, 1);

    for (auto [text, rect] : {std::pair{kPerClipNote, dialogUnits(24, 30, 138, 24)},
                              std::pair{kPerSongNote, dialogUnits(24, 72, 132, 36)}}) {
        auto* note = new QLabel(QString::fromUtf8(text), this);
        note->setWordWrap(true);
        note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        note->setGeometry(rect);
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(dialogUnits(101, 117, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(dialogUnits(157, 117, 50, 14));
    cdTextBox_ = new QCheckBox(QString::fromUtf8(kCdTextText), this);
    cdTextBox_->setGeometry(dialogUnits(12, 138, 195, 12));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    (selection_ != 0 ? perSong_ : perClip_)->setChecked(true);
    perClip_->setFocus();
}

void TrackLayoutDlg::setCdText(bool on) {
    cdText_ = on;
    cdTextBox_->setChecked(on);
}

void TrackLayoutDlg::accept() {
    selection_ = perSong_->isChecked() ? 1 : 0;
    cdText_ = cdTextBox_->isChecked();
    QDialog::accept();
}

}  // namespace vh
