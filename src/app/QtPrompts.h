#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "gamedata/Prompts.h"

class QDialog;
class QFileDialog;

namespace vh {

// Prompts as message boxes and file dialogs. Before the main frame exists
// they have no owner (the disc prompt and the catalogue warning stand on
// their own); once the frame is there it owns them.
class QtPrompts : public Prompts {
public:
    // Runs a prepared dialog modally and returns its result code. The program
    // uses exec(); a test puts its own answer in (choosing a file, pressing
    // a button) after looking at how the dialog was set up.
    using DialogRunner = std::function<int(QDialog&)>;

    void setOwner(QWidget* owner) { owner_ = owner; }
    void setDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }

    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void message(const std::string& caption, const std::string& text) override;
    // Ends the process at once: nothing is open and nothing needs saving.
    [[noreturn]] void endRun(int exitCode) override;
    // "Open": an existing file must be chosen. "Save": a missing extension
    // gets the default one and an existing file is only replaced after the
    // person agrees.
    std::optional<std::filesystem::path> chooseOpenFile(const FileChooser& chooser) override;
    std::optional<std::filesystem::path> chooseSaveFile(const FileChooser& chooser) override;

private:
    int run(QDialog& dialog);
    std::optional<std::filesystem::path> chooseFile(const FileChooser& chooser, bool save);

    QPointer<QWidget> owner_;
    DialogRunner runner_;
};

}  // namespace vh
