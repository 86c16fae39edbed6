// The program: bind the terminal-server library, sleep for the start-up delay, create the
// main window and run the event loop.

#include "app/ApplicationError.h"
#include "app/MessageBoxes.h"
#include "app/ShopFolderInstance.h"
#include "app/StartupDelay.h"
#include "app/TFConsulta.h"
#include "app/platform/SessionEnd.h"
#include "shop/platform/OpenFileLimit.h"
#include "terminal/TermServerLibrary.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <optional>

namespace {

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// A failure before any window: the last-resort report, naming the entry of the function
// the failure arose in, then exit code 1.
int endWithApplicationError(int argc, char** argv, const veska::Error& error, const void* aroseIn) {
    QApplication app(argc, argv);
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    veska::app::reportApplicationError(veska::app::applicationErrorText(error, program, aroseIn));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace veska::app;
    veska::shop::platform::blockEndSignals();
    platform::SessionEnd sessionEnd;
    veska::shop::platform::raiseOpenFileLimit();
    const QStringList arguments = argumentsOf(argc, argv);

    // The program does not run without its terminal-server library.
    std::optional<veska::terminal::TermServerLibrary> library;
    try {
        library.emplace(veska::terminal::TermServerLibrary::loadDefault());
    } catch (const veska::Error& error) {
        return endWithApplicationError(argc, argv, error,
                                       reinterpret_cast<const void*>(
                                           &veska::terminal::TermServerLibrary::loadDefault)) +
               1;
    }

    StartupDelayMs = 1;
    try {
        StartupDelayMs = startupDelayFor(arguments);
    } catch (const veska::ConvertError& error) {
        return endWithApplicationError(argc, argv, error,
                                       reinterpret_cast<const void*>(&startupDelayFor));
    }
    // The end of the session during the delay ends the program before anything starts.
    if (!sessionEnd.sleepUnlessEnded(
            std::chrono::milliseconds(static_cast<std::uint32_t>(StartupDelayMs))))
        return 0;

    QApplication app(argc, argv);
    sessionEnd.watch();
    QApplication::setApplicationName(QStringLiteral("consulta_veska"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The shop's program already runs in this folder: it comes forward, this start ends.
    ShopFolderInstance shopFolder(QDir::currentPath());
    if (!shopFolder.claim())
        return 0;
    QtMessageBoxes boxes;
    TFConsulta window({&library->api(), &boxes, !arguments.isEmpty(),
                       qEnvironmentVariableIntValue("VESKA_LOG_STDOUT") == 1});
    QObject::connect(&shopFolder, &ShopFolderInstance::forwardRequested, &window,
                     [&window] { window.Sobre1Click(); });
    window.show();
    QTimer::singleShot(0, &sessionEnd, [&sessionEnd] { sessionEnd.started(); });
    return app.exec();
}
