#pragma once

#include <filesystem>
#include <string>

namespace vh {

// Started from the desktop's menu, the program must not write into whatever
// folder the desktop happens to start it in (often the home folder or /), so
// it works in a folder of its own: $XDG_DATA_HOME/varnholt-radio, by default
// ~/.local/share/varnholt-radio. CACHE, Options.dat and the catalogue file
// live there.
std::filesystem::path userWorkFolder();

// Creates the folder if needed and makes it the current directory; false with
// a message in `error` when that cannot be done.
bool enterUserWorkFolder(std::string& error);

}  // namespace vh
