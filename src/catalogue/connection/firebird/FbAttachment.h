#pragma once
// One attachment of the Firebird client library to a database: on the embedded engine (a
// file path) or on a server ("host[/port]:path-or-alias"). Owns the handle; detaches when
// destroyed.

#include <QByteArray>
#include <ibase.h>
#include <optional>

namespace veska::catalogue::firebird {

struct AttachParameters {
    QByteArray database; // handed to the client library as it stands
    QByteArray user;
    QByteArray password;
    QByteArray charset; // the connection character set: WIN1252, UTF8, NONE...
    // Changes the database's forced writes (synchronous page writes) when given; the
    // owner may. Off speeds up bulk loading of tools and tests.
    std::optional<bool> forcedWrites;
    // How long a server may take to accept the attachment, in seconds; 0 waits as long as
    // the network does. The embedded engine does not use it.
    int connectTimeoutSeconds = 0;
    // With charset UTF8: the text of columns of character set NONE is Windows-1252 bytes,
    // read and compared as such (the program's WIN1252 connections, see Database).
    bool noneColumnsInWin1252 = false;
};

class Attachment {
public:
    // Throws DatabaseError with the engine's message.
    static Attachment attach(const AttachParameters& parameters);
    // Creates the database file (or server database) with the given default character set.
    static Attachment create(const AttachParameters& parameters, const QByteArray& defaultCharset);

    Attachment(Attachment&& other) noexcept;
    Attachment& operator=(Attachment&& other) noexcept;
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    ~Attachment();

    isc_db_handle* handle() { return &handle_; }
    // Whether text of this attachment arrives as UTF-8 (else as Windows-1252 bytes); with
    // noneColumnsInWin1252, that of columns of character set NONE does not.
    bool utf8() const { return utf8_; }
    bool noneColumnsInWin1252() const { return noneColumnsInWin1252_; }

    // Runs one statement without result rows in its own transaction and commits it.
    void executeImmediate(const QByteArray& sql);

    // Breaks the attachment from any thread: a call that waits for the server in another
    // thread returns at once with a lost-connection error, and so does every later call.
    // For a server that has stopped answering.
    void abort() noexcept;

private:
    Attachment(isc_db_handle handle, const AttachParameters& parameters);
    void detach() noexcept;

    isc_db_handle handle_ = 0;
    bool utf8_ = false;
    bool noneColumnsInWin1252_ = false;
};

} // namespace veska::catalogue::firebird
