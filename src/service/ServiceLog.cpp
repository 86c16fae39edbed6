#include "service/ServiceLog.h"

namespace veska::service {

namespace {
// A box follows the lines of its own failure at once.
constexpr qsizetype kRecentLines = 4;
} // namespace

void ServiceLog::appendLine(const QString& line) {
    QString flat = line;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(out_, "%s\n", flat.toUtf8().constData());
    std::fflush(out_);
    kept_.keep(flat);
    recent_.append(line);
    if (recent_.size() > kRecentLines)
        recent_.removeFirst();
}

void ServiceLog::showNotice(const QString& text) {
    if (!recent_.contains(text))
        appendLine(text);
    recent_.clear();
}

void ServiceLog::report(const QString& message) {
    appendLine(QStringLiteral("Erro: ") + message);
}

} // namespace veska::service
