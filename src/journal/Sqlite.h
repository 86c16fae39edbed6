#pragma once
// A thin owner of a SQLite connection and its prepared statements, for the journal's
// writer and its readers. Failures are SqliteError with SQLite's extended result code.

#include <QString>
#include <cstdint>
#include <sqlite3.h>
#include <stdexcept>
#include <string>

namespace veska::journal {

class SqliteError : public std::runtime_error {
public:
    SqliteError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
    int code() const { return code_; }
    int primaryCode() const { return code_ & 0xff; }
    // The file is not a database or is damaged.
    bool damaged() const {
        return primaryCode() == SQLITE_CORRUPT || primaryCode() == SQLITE_NOTADB;
    }

private:
    int code_;
};

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, const QString& text);
    SqliteStatement& bindText(int index, const std::string& text);
    // True while a row is there; false when done.
    bool step();
    // Runs it to the end and makes it ready again, bindings cleared.
    void run();
    void reset();

    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    QString text(int column) const;
    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

class SqliteConnection {
public:
    enum class Mode { ReadOnly, ReadWriteCreate };
    SqliteConnection(const QString& path, Mode mode);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void execute(const char* sql);
    std::int64_t integerOf(const char* sql);
    QString textOf(const char* sql);
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// Raises SqliteError for a result that is not SQLITE_OK, SQLITE_ROW or SQLITE_DONE.
void check(sqlite3* db, int result);

} // namespace veska::journal
