#include "ProgramRun.h"

#include "LoopbackEndpoint.h"

#include <QDeadlineTimer>
#include <QDir>

namespace e2e {

QString programPath() {
    return QStringLiteral(VESKA_PROGRAM);
}
QString servicePath() {
    return QStringLiteral(VESKA_SERVICE);
}
QString terminalSimPath() {
    return QStringLiteral(VESKA_TERMINAL_SIM);
}
QString reportPath() {
    return QStringLiteral(VESKA_REPORT);
}
QString termserverLibraryPath() {
    return QStringLiteral(VESKA_TERMSERVER_LIBRARY);
}

ProgramRun::ProgramRun(QString workingDir, QString program)
    : program_(std::move(program)), env_(QProcessEnvironment::systemEnvironment()) {
    process_.setWorkingDirectory(workingDir);
    env_.insert(QStringLiteral("VESKA_LOG_STDOUT"), QStringLiteral("1"));
    env_.insert(QStringLiteral("VESKA_TERMSERVER_LIBRARY"), termserverLibraryPath());
    if (!env_.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env_.insert(QStringLiteral("FIREBIRD_LOCK"), workingDir + QStringLiteral("/.firebird-lock"));
    // Terminals of the tests only ever reach a loopback endpoint of this test's own.
    env_.insert(QStringLiteral("TERMSERVER_LISTEN"),
                QString::fromStdString(veska::test::ownLoopbackEndpoint()));
}

ProgramRun::~ProgramRun() {
    stop();
}

void ProgramRun::setEnvironment(const QString& name, const QString& value) {
    if (value.isNull())
        env_.remove(name);
    else
        env_.insert(name, value);
}

void ProgramRun::start(const QStringList& arguments, const QStringList& launcher) {
    process_.setProcessEnvironment(env_);
    if (launcher.isEmpty())
        process_.start(program_, arguments);
    else
        process_.start(launcher.front(), launcher.mid(1) + QStringList{program_} + arguments);
    process_.waitForStarted(5000);
}

void ProgramRun::drain() {
    out_ += QString::fromUtf8(process_.readAllStandardOutput());
    err_ += QString::fromUtf8(process_.readAllStandardError());
}

bool ProgramRun::waitForOutput(const QString& text, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    for (;;) {
        drain();
        if (out_.contains(text))
            return true;
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
            return false;
        process_.waitForReadyRead(50);
    }
}

bool ProgramRun::waitForFinished(std::chrono::milliseconds timeout) {
    const bool done = process_.state() == QProcess::NotRunning ||
                      process_.waitForFinished(static_cast<int>(timeout.count()));
    drain();
    return done;
}

bool ProgramRun::isRunning() const {
    return process_.state() != QProcess::NotRunning;
}

void ProgramRun::stop() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
    drain();
}

QStringList ProgramRun::logLines() const {
    QStringList lines;
    for (const QString& line : out_.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("LOG\t")))
            lines << line.mid(4);
    }
    return lines;
}

ToolResult runTool(const QString& program, const QStringList& arguments, const QString& workingDir,
                   std::chrono::milliseconds timeout, const QProcessEnvironment& env) {
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    ToolResult r;
    if (!p.waitForStarted(5000))
        return r;
    if (!p.waitForFinished(static_cast<int>(timeout.count()))) {
        p.kill();
        p.waitForFinished(2000);
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

ToolResult makeDemoShop(const QString& folder) {
    QDir().mkpath(folder);
    return runTool(QStringLiteral(VESKA_DEMO_CATALOGUE), {QStringLiteral("--dir"), folder}, folder,
                   std::chrono::seconds(60));
}

ToolResult scanAt(const ProgramRun& run, const QStringList& codes, const QString& workingDir,
                  std::chrono::milliseconds timeout) {
    return runTool(terminalSimPath(),
                   QStringList{QStringLiteral("--server"),
                               run.environment(QStringLiteral("TERMSERVER_LISTEN")),
                               QStringLiteral("scan")} +
                       codes,
                   workingDir, timeout);
}

} // namespace e2e
