// The stillpick program: the main window, driven by the command line and the user.
//
// Start: "--open FILE" (the desktop entry's form) becomes "+open=" for that file; the information
// options (--help, --version) are answered before anything else; then the application, the
// check of the media framework's version (anything but Yes to its question ends here), the
// main window (which makes the script runners; the save-mode dialog is made when first asked),
// the first show, and the command line run once the window is up. SIGINT and SIGTERM close the
// window through its normal close path (settings saved, graph emptied); a second signal while
// the close is refused ends the program at once.

#include "app/show_form.h"
#include "platform/system/runtime_folder.h"

#include "settings/command_line.h"
#include "ui/framework_check.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(signalPipe[1], &byte, 1);
}

// Brings SIGINT and SIGTERM to the event loop through a socket pair.
void CloseOnSignals(sp::TShowForm& window) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        [[maybe_unused]] ssize_t n = read(signalPipe[0], &byte, 1);
        static int received = 0;
        if (++received > 1) QCoreApplication::exit(1);
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    raw = sp::ExpandOpenOptions(raw);
    QTextStream out(stdout);
    if (auto code = sp::HandleInfoOptions(raw, out)) return *code;

    sp::EnsureRuntimeFolder(); // Qt would warn on stderr without one (cron, ssh, containers)
    QApplication app(argc, argv);
    app.setApplicationName("Stillpick");
    app.setOrganizationName("Orvane");
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    arguments = sp::ExpandOpenOptions(arguments);
    // An older media framework than the one the program was built for may not do: ask first.
    if (!sp::CheckFrameworkVersion(sp::TShowForm::VersionText(), sp::TShowForm::LanguageTag()))
        return 1;

    int status = 0;
    {
        sp::TShowForm window;
        window.CreateRunners(arguments);
        CloseOnSignals(window);
        QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
        window.show();
        // The command line runs once the window is up (also offscreen, where it is never
        // activated).
        QTimer::singleShot(0, &window, [&window] { window.RunCommandLine(); });
        status = app.exec();
    }
    return status;
}
