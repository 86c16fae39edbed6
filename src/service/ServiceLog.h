#pragma once
// The service's activity log is its standard output, one line per entry, for journald to
// keep. What the desktop program shows in a message box is a line as well: a notice as its
// text (unless it repeats one of the lines just written, as "Erro inicializando servidor."
// does after its reason),
// a failure as "Erro: " and its message. A line break inside an entry becomes a blank, so
// that one entry stays one line.

#include "core/Notices.h"
#include "shop/ConsoleLog.h"
#include "terminal/TerminalViews.h"

#include <QString>
#include <QStringList>
#include <cstdio>

namespace veska::service {

class ServiceLog final : public ActivityLog, public Notices, public terminal::FailureReports {
public:
    explicit ServiceLog(std::FILE* out = stdout) : out_(out) {}

    void appendLine(const QString& line) override;
    void showNotice(const QString& text) override;
    void report(const QString& message) override;
    // Every line written, the last of them, for the web console.
    const shop::ConsoleLog& keptLines() const { return kept_; }

private:
    std::FILE* out_;
    // The lines written since the last notice, the last few of them.
    QStringList recent_;
    shop::ConsoleLog kept_;
};

} // namespace veska::service
