#include "app/Application.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/CMainFrame.h"
#include "audio/PlaybackEngine.h"
#include "ui/MainView.h"

namespace vh {

Application::Application(StartupEnvironment environment) : env_(std::move(environment)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kEngineTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [] { PlaybackEngine::onTimer(); });
}

Application::~Application() { shutdown(); }

bool Application::start() {
    // The catalogue comes first, with no window yet: the disc prompt's
    // Cancel ends the process from inside this call.
    data_ = std::make_unique<GameData>(*env_.prompts, env_.discCandidates, env_.workDir);
    data_->loadCatalogue();

    frame_ = std::make_unique<CMainFrame>(*data_);
    if (env_.frameCreated) env_.frameCreated(frame_.get());
    QRect desktop;
    if (env_.desktop) desktop = *env_.desktop;
    else if (QScreen* screen = QGuiApplication::primaryScreen()) desktop = screen->geometry();
    frame_->placeOnDesktop(desktop);
    frame_->show();
    frame_->view()->repaint();

    std::unique_ptr<SoundOutput> output = env_.makeSoundOutput ? env_.makeSoundOutput() : nullptr;
    CMainFrame* frame = frame_.get();
    if (!PlaybackEngine::create(std::move(output), *env_.prompts, [frame] { frame->close(); })) {
        // The engine has told the person and closed the frame.
        exitCode_ = 1;
        return false;
    }
    engineStarted_ = true;
    timer_.start();
    return true;
}

void Application::shutdown() {
    timer_.stop();
    frame_.reset();
    if (engineStarted_) {
        PlaybackEngine::shutdownEngine();
        engineStarted_ = false;
    }
}

}  // namespace vh
