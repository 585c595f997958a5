#pragma once

#include <QDialog>
#include <array>
#include <string>

class QPlainTextEdit;

namespace vh {

// The help text, line by line.
extern const std::array<const char*, 25> kHelpLines;
// The help text as the dialog holds it: every line ended by CR LF.
std::string helpText();

// "About Varnholt Radio": the help text in a read-only box without word wrap
// and an OK button.
class HelpDialog : public QDialog {
    Q_OBJECT

public:
    explicit HelpDialog(QWidget* parent = nullptr);
    QPlainTextEdit* textBox() const { return textBox_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPlainTextEdit* textBox_;
};

}  // namespace vh
