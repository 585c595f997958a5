#include "app/QtPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace vh {

namespace {

// A message box without a caption is titled "Error", as the system's own
// message boxes are.
QString captionText(const std::string& caption) {
    return caption.empty() ? QStringLiteral("Error") : QString::fromStdString(caption);
}

QString dialogFilter(const FileChooser& chooser) {
    QString filter = QString::fromStdString(chooser.filter);
    return filter.isEmpty() ? QStringLiteral("All files (*)") : filter;
}

}  // namespace

int QtPrompts::run(QDialog& dialog) { return runner_ ? runner_(dialog) : dialog.exec(); }

bool QtPrompts::askOkCancel(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, captionText(caption), QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, owner_.data());
    box.setDefaultButton(QMessageBox::Ok);
    return run(box) == QMessageBox::Ok;
}

void QtPrompts::message(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, captionText(caption), QString::fromStdString(text), QMessageBox::Ok,
                    owner_.data());
    run(box);
}

void QtPrompts::endRun(int exitCode) {
    std::fflush(nullptr);
    // No window is open yet when the run is ended, and the application object
    // still lives on main's stack: leave without running its destructors.
    std::_Exit(exitCode);
}

std::optional<std::filesystem::path> QtPrompts::chooseFile(const FileChooser& chooser, bool save) {
    QFileDialog dialog(owner_.data(), QString::fromStdString(chooser.title), QString(), dialogFilter(chooser));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setDefaultSuffix(QString::fromStdString(chooser.defaultExtension));
    if (!chooser.initialName.empty()) {
        // The name last used: its folder opens with the file selected.
        const std::filesystem::path initial(chooser.initialName);
        if (initial.has_parent_path()) dialog.setDirectory(QString::fromStdString(initial.parent_path().string()));
        dialog.selectFile(QString::fromStdString(initial.filename().string()));
    }
    if (run(dialog) != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    return std::filesystem::path(files.front().toStdString());
}

std::optional<std::filesystem::path> QtPrompts::chooseOpenFile(const FileChooser& chooser) {
    return chooseFile(chooser, false);
}

std::optional<std::filesystem::path> QtPrompts::chooseSaveFile(const FileChooser& chooser) {
    return chooseFile(chooser, true);
}

}  // namespace vh
