#pragma once
// The database connection "Database1": its name, alias, fixed login parameters, and the one
// Firebird attachment that every query of the connection uses. The login prompt is off: the
// user is never asked for credentials. Every engine failure is a veska::DatabaseError with
// the engine's message.

#include "catalogue/ConnectionProfiles.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace veska::catalogue {

namespace firebird {
class Attachment;
}
class Query;

class Database {
public:
    static inline const QString defaultAlias = QStringLiteral("QuildaneLojaR");

    explicit Database(ConnectionProfiles profiles = ConnectionProfiles());
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    // "SISTEMA", the name by which the queries use the connection.
    QString name() const { return QStringLiteral("SISTEMA"); }
    // "USER NAME=ROOT" and "PASSWORD=480317"; a connection profile may override both.
    QStringList params() const;
    bool loginPrompt() const { return false; }

    QString alias() const { return alias_; }
    // Only while not connected: raises DatabaseError otherwise.
    void setAlias(const QString& alias);

    // Resolves the alias through the connection profiles and attaches; no effect when
    // connected.
    void connect();
    bool isConnected() const;
    // Closes the queries of the connection and detaches.
    void disconnect();

    // For the queries of this connection: the attachment (connecting first if needed).
    firebird::Attachment& attachment();
    // For the queries: the attachment broke (server stopped, network lost). Closes every
    // query and drops the attachment so that the next open makes a new one.
    void connectionLost();

private:
    friend class Query;
    void registerQuery(Query* query);
    void unregisterQuery(Query* query);
    void closeQueries();

    ConnectionProfiles profiles_;
    QString alias_ = defaultAlias;
    std::unique_ptr<firebird::Attachment> attachment_;
    std::vector<Query*> queries_;
};

} // namespace veska::catalogue
