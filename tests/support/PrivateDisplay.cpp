#include "PrivateDisplay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace e2e {

namespace {

void stop(std::unique_ptr<QProcess>& process) {
    if (!process || process->state() == QProcess::NotRunning)
        return;
    // Politely first: Xvfb removes its socket and lock file only when terminated.
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
}

bool waitForFile(const QString& path, int ms) {
    QDeadlineTimer deadline(ms);
    while (!QFile::exists(path)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace

PrivateDisplay::PrivateDisplay() {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        return;
    for (int number = 300 + static_cast<int>(QCoreApplication::applicationPid() % 50); number < 400;
         ++number) {
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        if (QFile::exists(socket) || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            continue;
        const QString candidate = QStringLiteral(":%1").arg(number);
        xvfb_ = std::make_unique<QProcess>();
        xvfb_->start(QStringLiteral("Xvfb"), {candidate, QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        // Another test may take the same number a moment earlier: then ours gives up.
        if (xvfb_->waitForStarted(5000) && waitForFile(socket, 5000) &&
            !xvfb_->waitForFinished(200)) {
            name_ = candidate;
            return;
        }
        stop(xvfb_);
    }
}

PrivateDisplay::~PrivateDisplay() {
    stop(trayer_);
    stop(xvfb_);
}

QProcessEnvironment PrivateDisplay::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), name_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

bool PrivateDisplay::startTray() {
    trayer_ = std::make_unique<QProcess>();
    trayer_->setProcessEnvironment(environment());
    trayer_->start(QStringLiteral("trayer"),
                   {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                    QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                    QStringLiteral("--width"), QStringLiteral("200"), QStringLiteral("--height"),
                    QStringLiteral("32")});
    return trayer_->waitForStarted(5000);
}

void PrivateDisplay::stopTray() {
    stop(trayer_);
}

} // namespace e2e
