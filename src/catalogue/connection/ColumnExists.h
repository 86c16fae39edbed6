#pragma once
// Whether a table of the database has a column, asked of the engine's own catalogue with
// both names bound as parameters. Names are compared upper-cased in a to z only, the form
// in which the engine keeps names declared without quotes.

#include <QString>

namespace veska::catalogue {

class Database;

// Runs as every use of the database does (Database::run); an attachment that broke since
// the last use is made anew once. Engine errors are raised as DatabaseError.
bool columnExists(Database& database, const QString& table, const QString& column);

} // namespace veska::catalogue
