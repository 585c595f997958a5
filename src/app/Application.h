#pragma once

#include <QRect>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "audio/SoundOutput.h"
#include "gamedata/GameData.h"
#include "gamedata/Prompts.h"

class QWidget;

namespace vh {

class CMainFrame;

// What start-up needs from outside: the program passes the real things,
// tests pass recorders, a test catalogue and a test sound output.
struct StartupEnvironment {
    Prompts* prompts = nullptr;
    DiscCandidates discCandidates;
    std::filesystem::path workDir;  // empty: the current directory
    std::function<std::unique_ptr<SoundOutput>()> makeSoundOutput;
    // Told of the frame as soon as it exists (the Qt prompts take it as owner).
    std::function<void(QWidget* frame)> frameCreated;
    // The desktop to centre the frame on; the primary screen when not given.
    std::optional<QRect> desktop;
};

// The run of the desktop program: start-up in its fixed order, and shutdown
// in the reverse one (frame and view first, the playback engine last).
class Application {
public:
    static constexpr int kEngineTickMs = 5;

    explicit Application(StartupEnvironment environment);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Loads the catalogue (the disc prompt and the catalogue warning come
    // before any window), creates and shows the frame with its view, then
    // starts the playback engine and its 5 ms tick. False when the run ends
    // here; exitCode() then says how.
    bool start();
    int exitCode() const { return exitCode_; }

    // Destroys the frame (and with it the view and the player), then stops
    // the engine. Safe to call more than once.
    void shutdown();

    GameData* gameData() { return data_.get(); }
    CMainFrame* frame() { return frame_.get(); }
    const QTimer& engineTimer() const { return timer_; }

private:
    StartupEnvironment env_;
    std::unique_ptr<GameData> data_;
    std::unique_ptr<CMainFrame> frame_;
    QTimer timer_;
    bool engineStarted_ = false;
    int exitCode_ = 0;
};

}  // namespace vh
