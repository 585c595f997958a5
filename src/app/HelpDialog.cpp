#include "app/HelpDialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace vh {

const std::array<const char*, 25> kHelpLines = {
    "Varnholt Radio",
    "",
    "The left window shows available audio clips.  The right window shows the",
    "current CD playlist.",
    "",
    "Select a radio station in the left window using the left and right arrows in",
    "the green banner at the top.  Double-click a clip to preview it, or use its",
    "preview button.  Each colour indicates a different type of clip.",
    "",
    "Drag clips to the CD playlist.  Move the tracks around at will.  Drag them",
    "off the list to remove them.  Click the track number to play the CD from",
    "that track.  Click the bottom of the track number to just play the outro of",
    "a song.",
    "",
    "The CD transport at the top can also be used to control playback.",
    "",
    "You can use commands in the Tools menu to help you make playlists.",
    "",
    "When you are finished, use the File->Export CD command to export a",
    "WAV file ready for direct-to-CD burning.  This also exports a CUE file",
    "which can be used with many CD burning programs.",
    "",
    "To optimize performance you can cache the data files from the DVD onto",
    "your hard drive.  Select File->Copy Audio Files to do this.  It takes about",
    "10 minutes to copy them all.",
};

std::string helpText() {
    std::string text;
    for (const char* line : kHelpLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

namespace {

// Dialog units of an 8-point dialog font: a quarter of its average character
// width across, an eighth of its height down.
QRect dialogUnits(int x, int y, int w, int h) {
    auto across = [](int du) { return du * 6 / 4; };
    auto down = [](int du) { return du * 13 / 8; };
    return QRect(across(x), down(y), across(w), down(h));
}

}  // namespace

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Varnholt Radio"));
    setModal(true);
    QFont dialogFont(QStringLiteral("MS Shell Dlg"));
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    setFixedSize(dialogUnits(0, 0, 314, 266).size());

    textBox_ = new QPlainTextEdit(this);
    textBox_->setReadOnly(true);
    textBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    textBox_->setFrameShape(QFrame::Box);
    textBox_->setGeometry(dialogUnits(7, 7, 243, 252));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(dialogUnits(257, 243, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void HelpDialog::showEvent(QShowEvent* event) {
    // The box is filled from the dialog's text when it opens; line ends
    // become the box's own line breaks.
    QString text = QString::fromStdString(helpText());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    textBox_->setPlainText(text);
    QDialog::showEvent(event);
}

}  // namespace vh
