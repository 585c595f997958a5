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

bool QtPrompts::askOkCancel(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, captionText(caption), QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, owner_.data());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void QtPrompts::message(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, captionText(caption), QString::fromStdString(text), QMessageBox::Ok,
                    owner_.data());
    box.exec();
}

void QtPrompts::endRun(int exitCode) {
    std::fflush(nullptr);
    // No window is open yet when the run is ended, and the application object
    // still lives on main's stack: leave without running its destructors.
    std::_Exit(exitCode);
}

std::optional<std::filesystem::path> QtPrompts::chooseOpenFile(const FileChooser& chooser) {
    QFileDialog dialog(owner_.data(), QString::fromStdString(chooser.title), QString::fromStdString(chooser.initialName),
                       dialogFilter(chooser));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromStdString(chooser.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

std::optional<std::filesystem::path> QtPrompts::chooseSaveFile(const FileChooser& chooser) {
    QFileDialog dialog(owner_.data(), QString::fromStdString(chooser.title), QString::fromStdString(chooser.initialName),
                       dialogFilter(chooser));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(chooser.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

}  // namespace vh
