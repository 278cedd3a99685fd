#include "desktop/desktop_program.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>

#include "app/stop_signals.h"
#include "desktop/display_check.h"
#include "desktop/main_dialog.h"
#include "gateway/file_descriptor.h"
#include "store/process_environment.h"

namespace korvale {

int RunDesktop(int argc, char** argv) {
    // Before any thread starts: ending the program from outside then runs
    // the exit sequence as a normal close does.
    const sigset_t stopSignals = BlockStopSignals();

    const char* firstWord = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    const ProgramLocation location = SetUpProgramDirectory(firstWord);
    if (const std::string reason = DisplayUnavailableReason(); !reason.empty()) {
        std::fprintf(stderr, "korvale: %s; korvale-headless runs the gateway without a window\n",
                     reason.c_str());
        return 1;
    }

    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    MainDialog window(location);
    QObject::connect(&window, &MainDialog::closed, &application, &QCoreApplication::quit);

    FileDescriptor stopSignalsFd(signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK));
    QSocketNotifier signalNotifier(stopSignalsFd.get(), QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &window, [&] {
        signalfd_siginfo info;
        [[maybe_unused]] const ssize_t n = ::read(stopSignalsFd.get(), &info, sizeof info);
        window.close();
    });

    application.exec();
    if (!window.finish()) {
        std::fprintf(stderr, "korvale: could not write the settings to %s\n",
                     location.iniPath.c_str());
    }
    return 0;
}

}  // namespace korvale
