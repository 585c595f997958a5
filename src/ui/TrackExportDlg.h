#pragma once

#include <QDialog>

#include "export/TrackExporter.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vh {

// "Export Tracks": the folder the files go into, their format and, for
// FLAC, the sample rate. OK is offered only with a folder named.
class TrackExportDlg : public QDialog {
    Q_OBJECT

public:
    TrackExportDlg(const TrackExportRequest& initial, QWidget* parent = nullptr);

    // The choices as they stand (the folder trimmed of surrounding blanks).
    TrackExportRequest request() const;

    QLineEdit* folderEdit() const { return folder_; }
    QComboBox* formatBox() const { return format_; }
    QRadioButton* rate24000() const { return rate24000_; }
    QRadioButton* rate44100() const { return rate44100_; }

private:
    void browse();
    void updateControls();

    TrackExportRequest initial_;
    QLineEdit* folder_;
    QComboBox* format_;
    QRadioButton* rate24000_;
    QRadioButton* rate44100_;
    QPushButton* ok_;
};

}  // namespace vh
