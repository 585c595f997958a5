#pragma once

#include <QDialog>

class QCheckBox;
class QRadioButton;

namespace vh {

// "Export options": the CD track layout of the CUE sheet, one CD track per
// clip (selection 0) or per song (selection 1). The selection is read into
// the buttons when the dialog is made and taken back from them on OK only, so
// Cancel leaves it as it was.
class TrackLayoutDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kPerClipText = "One CD track per clip";
    static constexpr const char* kPerSongText = "One CD track per song";
    static constexpr const char* kPerClipNote =
        "Create a CUE file specifying one CD track for every audio clip, so each commercial, ident, chatter and song "
        "is a new CD track";
    static constexpr const char* kPerSongNote =
        "Create a CUE file specifying one CD track for each song, with chatter and commercials included in that "
        "track on the CD";

    static constexpr const char* kCdTextText = "Write titles into the CUE sheet (CD-TEXT)";

    explicit TrackLayoutDlg(int selection, QWidget* parent = nullptr);

    int selection() const { return selection_; }
    // The second option, a check box below the layout's controls; taken
    // back on OK only, like the selection.
    bool cdText() const { return cdText_; }
    void setCdText(bool on);
    QCheckBox* cdTextBox() const { return cdTextBox_; }
    QRadioButton* perClipButton() const { return perClip_; }
    QRadioButton* perSongButton() const { return perSong_; }

    void accept() override;

private:
    int selection_;
    bool cdText_ = false;
    QCheckBox* cdTextBox_;
    QRadioButton* perClip_;
    QRadioButton* perSong_;
};

}  // namespace vh
