#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vh {

// What a file chooser shows: the desktop program maps it onto QFileDialog,
// vhradio takes paths from its arguments, tests answer with recorders.
struct FileChooser {
    std::string title;
    std::string filter;            // e.g. "Playlists (*.vhcd)"
    std::string defaultExtension;  // without the dot, e.g. "vhcd"
    std::string initialName;
};

// The one way the core talks to the person. The core never shows a dialog
// itself; the front end (Qt, terminal or test) decides how a message looks.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A modal question with OK and Cancel; true means OK.
    virtual bool askOkCancel(const std::string& caption, const std::string& text) = 0;
    // A modal message with one OK button.
    virtual void message(const std::string& caption, const std::string& text) = 0;
    // Ends the run at once (the disc prompt's Cancel). Implementations normally
    // do not return; the core still copes when one does.
    virtual void endRun(int exitCode) = 0;

    virtual std::optional<std::filesystem::path> chooseOpenFile(const FileChooser&) { return std::nullopt; }
    virtual std::optional<std::filesystem::path> chooseSaveFile(const FileChooser&) { return std::nullopt; }
};

}  // namespace vh
