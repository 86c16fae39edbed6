#pragma once
// Runs the real program (or one of our tools) as a separate process in a working folder of
// its own, and watches what it writes: activity-log lines (VESKA_LOG_STDOUT=1), message
// boxes that went to standard error on a screenless platform, and its exit.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

namespace e2e {

// Build-tree paths, given by CMake.
QString programPath();     // consulta_veska
QString servicePath();     // consulta-veska-service
QString terminalSimPath(); // terminal-sim
QString reportPath();      // veska-report
QString termserverLibraryPath();

class ProgramRun {
public:
    explicit ProgramRun(QString workingDir, QString program = programPath());
    ~ProgramRun();

    void setEnvironment(const QString& name, const QString& value);
    // Runs this copy of the program instead of the build's.
    void setProgram(const QString& program) { program_ = program; }
    QString environment(const QString& name) const { return env_.value(name); }
    // launcher: a command that runs the program (setpriv ... to run it as another user).
    void start(const QStringList& arguments, const QStringList& launcher = {});
    // Waits for a standard-output line that contains the text; true when seen.
    bool waitForOutput(const QString& text, std::chrono::milliseconds timeout);
    bool waitForFinished(std::chrono::milliseconds timeout);
    bool isRunning() const;
    void stop(); // terminates (then kills) the program if it still runs

    QString standardOutput() const { return out_; }
    QString standardError() const { return err_; }
    QStringList logLines() const; // the "LOG\t" lines, without the prefix
    int exitCode() const { return process_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process_.exitStatus(); }
    qint64 pid() const { return process_.processId(); }

private:
    void drain();
    QString program_;
    QProcess process_;
    QProcessEnvironment env_;
    QString out_, err_;
};

// Runs a tool to its end and gives its exit code and output.
struct ToolResult {
    int exitCode = -1;
    QString out, err;
};
ToolResult runTool(const QString& program, const QStringList& arguments, const QString& workingDir,
                   std::chrono::milliseconds timeout,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// A demo shop made in the folder (veska-demo-catalogue --dir), made first if need be; the
// tool runs there.
ToolResult makeDemoShop(const QString& folder);

// A terminal (terminal-sim) that scans the codes at the running program's endpoint, run in
// that folder; its answers are its output.
ToolResult scanAt(const ProgramRun& run, const QStringList& codes, const QString& workingDir,
                  std::chrono::milliseconds timeout);

} // namespace e2e
