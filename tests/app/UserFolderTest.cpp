#include <gtest/gtest.h>

#include <cstdlib>

#include "app/UserFolder.h"
#include "support/TestSupport.h"

namespace vh {
namespace {

// The desktop menu starts the program with --user-folder: it must end up in
// a folder of its own, created on first start, never in the folder it was
// started from.
TEST(UserFolder, IsCreatedAndEnteredUnderTheDataHome) {
    test::TempDir home;
    const std::filesystem::path before = std::filesystem::current_path();
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const std::string saved = oldData ? oldData : "";

    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    std::string error;
    ASSERT_TRUE(enterUserWorkFolder(error)) << error;
    EXPECT_EQ(std::filesystem::current_path(), home / "data/varnholt-radio");

    // Without XDG_DATA_HOME the folder lies under ~/.local/share.
    unsetenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", home.path().c_str(), 1);
    EXPECT_EQ(userWorkFolder(), home / ".local/share/varnholt-radio");

    // A data home that is a file cannot hold the folder: a clear failure.
    test::writeFile(home / "file", {1});
    setenv("XDG_DATA_HOME", (home / "file").c_str(), 1);
    EXPECT_FALSE(enterUserWorkFolder(error));
    EXPECT_NE(error.find("varnholt-radio"), std::string::npos);

    std::filesystem::current_path(before);
    setenv("HOME", savedHome.c_str(), 1);
    if (oldData) setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace vh
