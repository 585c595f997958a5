#include "ui/TrackExportDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vh {

TrackExportDlg::TrackExportDlg(const TrackExportRequest& initial, QWidget* parent)
    : QDialog(parent), initial_(initial) {
    setWindowTitle(QStringLiteral("Export Tracks"));
    setModal(true);

    folder_ = new QLineEdit(QString::fromStdString(initial.folder.string()), this);
    folder_->setMinimumWidth(360);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    browse->setAutoDefault(false);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);

    format_ = new QComboBox(this);
    format_->addItem(QStringLiteral("FLAC (lossless)"), int(TrackFormat::Flac));
    format_->addItem(QStringLiteral("MP3"), int(TrackFormat::Mp3));
    format_->addItem(QStringLiteral("Opus"), int(TrackFormat::Opus));
    format_->setCurrentIndex(format_->findData(int(initial.format)));

    rate24000_ = new QRadioButton(QStringLiteral("24000 Hz, as decoded from the disc"), this);
    rate44100_ = new QRadioButton(QStringLiteral("44100 Hz, the samples of the CD image"), this);
    (initial.rate == 44100 ? rate44100_ : rate24000_)->setChecked(true);
    auto* rates = new QVBoxLayout;
    rates->addWidget(rate24000_);
    rates->addWidget(rate44100_);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Folder:"), folderRow);
    form->addRow(QStringLiteral("F&ormat:"), format_);
    form->addRow(QStringLiteral("FLAC &rate:"), rates);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &TrackExportDlg::browse);
    connect(folder_, &QLineEdit::textChanged, this, &TrackExportDlg::updateControls);
    connect(format_, &QComboBox::currentIndexChanged, this, &TrackExportDlg::updateControls);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    updateControls();
    folder_->setFocus();
    folder_->selectAll();
}

TrackExportRequest TrackExportDlg::request() const {
    TrackExportRequest r = initial_;
    r.folder = folder_->text().trimmed().toStdString();
    r.format = TrackFormat(format_->currentData().toInt());
    r.rate = r.format == TrackFormat::Flac && rate44100_->isChecked() ? 44100 : 24000;
    return r;
}

void TrackExportDlg::browse() {
    QString start = folder_->text().trimmed();
    // A folder that does not exist yet opens its nearest existing parent.
    QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Export Tracks"), start);
    if (!chosen.isEmpty()) folder_->setText(chosen);
}

void TrackExportDlg::updateControls() {
    // MP3 and Opus are always written at the decoded 24000 Hz.
    const bool flac = TrackFormat(format_->currentData().toInt()) == TrackFormat::Flac;
    rate24000_->setEnabled(flac);
    rate44100_->setEnabled(flac);
    ok_->setEnabled(!folder_->text().trimmed().isEmpty());
}

}  // namespace vh
