#include "journal/JournalPlace.h"

#include <QDir>
#include <QFileInfo>
#include <unistd.h>

namespace veska::journal {

QString journalPathIn(const QString& folder) {
    return QDir(folder).absoluteFilePath(journalFileName);
}

QString fallbackJournalFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/consulta-veska");
}

bool journalWritableIn(const QString& folder) {
    const QByteArray path = QFile::encodeName(journalPathIn(folder));
    if (QFileInfo::exists(journalPathIn(folder)))
        return ::access(path.constData(), W_OK) == 0 &&
               ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QStringList journalCandidates(const QString& folder) {
    return {journalPathIn(folder), journalPathIn(fallbackJournalFolder())};
}

QString existingJournal(const QString& folder) {
    for (const QString& candidate : journalCandidates(folder)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

} // namespace veska::journal
