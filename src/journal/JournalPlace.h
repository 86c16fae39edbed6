#pragma once
// Where the journal lives: "consultas.sqlite" in the shop folder, or, when the program may
// not write there, in $XDG_STATE_HOME/consulta-veska/ (~/.local/state/consulta-veska/).

#include <QString>
#include <QStringList>

namespace veska::journal {

inline const QString journalFileName = QStringLiteral("consultas.sqlite");

// The journal of a shop folder.
QString journalPathIn(const QString& folder);
// The folder used when the shop folder may not be written.
QString fallbackJournalFolder();
// Whether the program may create and write the journal in that folder.
bool journalWritableIn(const QString& folder);
// The journal files a reader looks for, in order: the folder's, then the fallback.
QStringList journalCandidates(const QString& folder);
// The first of the candidates that is a file, or empty when there is none.
QString existingJournal(const QString& folder);

} // namespace veska::journal
