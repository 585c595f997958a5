// varnholt-radio: the desktop program. The command line is ignored, except
// for one option that scripts use to check the window without a person:
//   --screenshot FILE   save the screen as PNG once the view is drawn, print
//                       how long start-up took, and quit.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/Application.h"
#include "app/CMainFrame.h"
#include "app/QtPrompts.h"
#include "audio/SdlSoundOutput.h"
#include "ui/MainView.h"

namespace {

QString screenshotPath(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshot"));
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

// Saves the screen (or the frame alone where the platform has no screen to
// grab) shortly after the first drawing, when the window system has shown it.
void arrangeScreenshot(vh::CMainFrame& frame, const QString& path, const QElapsedTimer& clock) {
    auto* once = new QObject(&frame);
    QObject::connect(frame.view(), &vh::MainView::drawn, once, [&frame, path, &clock, once] {
        std::fprintf(stderr, "varnholt-radio: view first drawn %lld ms after start\n",
                     static_cast<long long>(clock.elapsed()));
        delete once;
        QTimer::singleShot(300, &frame, [&frame, path] {
            QPixmap shot;
            if (QScreen* screen = frame.screen()) shot = screen->grabWindow(0);
            if (shot.isNull()) shot = frame.grab();
            if (!shot.save(path, "PNG")) std::fprintf(stderr, "varnholt-radio: cannot write %s\n", qPrintable(path));
            frame.close();
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnholt Radio"));
    const QString screenshot = screenshotPath(QApplication::arguments());

    vh::QtPrompts prompts;
    vh::StartupEnvironment environment;
    environment.prompts = &prompts;
    environment.discCandidates = vh::defaultDiscCandidates;
    environment.makeSoundOutput = [] { return std::make_unique<vh::SdlSoundOutput>(); };
    environment.frameCreated = [&prompts](QWidget* frame) { prompts.setOwner(frame); };

    vh::Application application(std::move(environment));
    if (!application.start()) {
        application.shutdown();
        return application.exitCode();
    }
    if (!screenshot.isEmpty()) arrangeScreenshot(*application.frame(), screenshot, clock);
    const int code = QApplication::exec();
    application.shutdown();
    return code;
}
