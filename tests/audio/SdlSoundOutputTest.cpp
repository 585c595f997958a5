#include "audio/SdlSoundOutput.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace vh {
namespace {

// SDL's audio brings up its events, which by default catch SIGINT and
// SIGTERM and turn them into quit events nobody reads: the desktop program
// could then not be ended by them.
TEST(SdlSoundOutput, LeavesSignalsAloneAndKeepsClearOfItsPulls) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlSoundOutput output;
    ASSERT_TRUE(output.open());
    for (int sig : {SIGINT, SIGTERM}) {
        struct sigaction action {};
        ASSERT_EQ(sigaction(sig, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << "signal " << sig;
    }
    EXPECT_EQ(output.readAhead(), 4 * 2048u);  // 2048 frames of 4 bytes per pull
}

}  // namespace
}  // namespace vh
