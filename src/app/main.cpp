// varnholt-radio: the desktop program. The command line is ignored, except
// for these options:
//   --user-folder       work in the per-user folder (the desktop menu's entry
//                       starts the program this way)
//   --screenshot FILE   save the screen as PNG once the view is drawn, print
//                       how long start-up took, and quit (for scripts)
//   --version, --help   print and quit, without a display.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "app/Application.h"
#include "app/CMainFrame.h"
#include "app/QtPrompts.h"
#include "app/UserFolder.h"
#include "audio/SdlSoundOutput.h"
#include "ui/MainView.h"

namespace {

QString screenshotPath(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshot"));
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

// Milliseconds since the kernel started this process (10 ms steps), so that
// loading the program and its libraries counts too; -1 where unknown.
long long processAgeMs() {
    std::ifstream statFile("/proc/self/stat");
    std::ifstream uptimeFile("/proc/uptime");
    std::string stat;
    double uptime = 0;
    if (!std::getline(statFile, stat) || !(uptimeFile >> uptime)) return -1;
    // Field 22, start time in clock ticks after boot; the command name in
    // field 2 may hold blanks, so count from its closing parenthesis.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    for (int i = 3; i < 22 && fields >> field; ++i) {
    }
    unsigned long long startTicks = 0;
    if (!(fields >> startTicks)) return -1;
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (ticksPerSecond <= 0) return -1;
    return static_cast<long long>(uptime * 1000.0) - static_cast<long long>(startTicks * 1000 / ticksPerSecond);
}

// Saves the screen (or the frame alone where the platform has no screen to
// grab) shortly after the view's first drawing on the shown window.
void arrangeScreenshot(vh::CMainFrame& frame, const QString& path, const QElapsedTimer& clock) {
    auto* once = new QObject(&frame);
    QObject::connect(frame.view(), &vh::MainView::drawn, once, [&frame, path, &clock, once] {
        // Drawings before the window system shows the window do not count.
        if (!frame.windowHandle() || !frame.windowHandle()->isExposed()) return;
        std::fprintf(stderr, "varnholt-radio: view first drawn %lld ms after main() began, %lld ms after the process started\n",
                     static_cast<long long>(clock.elapsed()), processAgeMs());
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

// --version and --help are answered before Qt starts, so they work where no
// display is at hand.
bool answeredWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("varnholt-radio %s\n", VH_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("Usage: varnholt-radio [--user-folder]\n"
                        "Make audio CDs from the radio stations of Orrin: Varnholt.\n\n"
                        "  --user-folder  work in the per-user folder (~/.local/share/varnholt-radio)\n"
                        "  --version      print the version and quit\n"
                        "  --help         print this and quit\n\n"
                        "See varnholt-radio(1) for the files it uses and where it looks for the disc.\n");
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredWithoutWindow(argc, argv)) return 0;
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnholt Radio"));
    const QString screenshot = screenshotPath(QApplication::arguments());

    vh::QtPrompts prompts;
    if (QApplication::arguments().contains(QStringLiteral("--user-folder"))) {
        std::string error;
        if (!vh::enterUserWorkFolder(error)) {
            prompts.message("Varnholt Radio", error);
            return 1;
        }
    }
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
