#include "app/UserFolder.h"

#include <cstdlib>
#include <system_error>

namespace vh {

std::filesystem::path userWorkFolder() {
    namespace fs = std::filesystem;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') return fs::path(data) / "varnholt-radio";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local/share/varnholt-radio";
}

bool enterUserWorkFolder(std::string& error) {
    const std::filesystem::path folder = userWorkFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec) std::filesystem::current_path(folder, ec);
    if (ec) error = "Cannot use the folder " + folder.string() + ": " + ec.message();
    return !ec;
}

}  // namespace vh
