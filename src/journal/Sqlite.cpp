#include "journal/Sqlite.h"

namespace veska::journal {

void check(sqlite3* db, int result) {
    if (result == SQLITE_OK || result == SQLITE_ROW || result == SQLITE_DONE)
        return;
    const int extended = db ? sqlite3_extended_errcode(db) : result;
    throw SqliteError(extended, db ? sqlite3_errmsg(db) : sqlite3_errstr(result));
}

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : db_(db) {
    check(db_, sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr));
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    check(db_, sqlite3_bind_int64(statement_, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const QString& text) {
    return bindText(index, text.toStdString());
}

SqliteStatement& SqliteStatement::bindText(int index, const std::string& text) {
    check(db_, sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                 SQLITE_TRANSIENT));
    return *this;
}

bool SqliteStatement::step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    sqlite3_reset(statement_);
    check(db_, result);
    return false;
}

void SqliteStatement::run() {
    while (step()) {
    }
    reset();
}

void SqliteStatement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

QString SqliteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(statement_, column));
}

SqliteConnection::SqliteConnection(const QString& path, Mode mode) {
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                                              : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                      SQLITE_OPEN_NOMUTEX;
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr);
    if (result != SQLITE_OK) {
        const SqliteError error(db_ ? sqlite3_extended_errcode(db_) : result,
                                db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result));
        sqlite3_close(db_);
        throw error;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 2000);
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close_v2(db_);
}

void SqliteConnection::execute(const char* sql) {
    check(db_, sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

std::int64_t SqliteConnection::integerOf(const char* sql) {
    SqliteStatement statement(db_, sql);
    return statement.step() ? statement.integer(0) : 0;
}

QString SqliteConnection::textOf(const char* sql) {
    SqliteStatement statement(db_, sql);
    return statement.step() ? statement.text(0) : QString();
}

} // namespace veska::journal
