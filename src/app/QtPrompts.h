#pragma once

#include <QPointer>
#include <QWidget>

#include "gamedata/Prompts.h"

namespace vh {

// Prompts as message boxes. Before the main frame exists they have no owner
// (the disc prompt and the catalogue warning stand on their own); once the
// frame is there it owns them.
class QtPrompts : public Prompts {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }

    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void message(const std::string& caption, const std::string& text) override;
    // Ends the process at once: nothing is open and nothing needs saving.
    [[noreturn]] void endRun(int exitCode) override;
    std::optional<std::filesystem::path> chooseOpenFile(const FileChooser& chooser) override;
    std::optional<std::filesystem::path> chooseSaveFile(const FileChooser& chooser) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace vh
