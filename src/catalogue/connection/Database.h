#pragma once
// catalogue/connection: reaching the Firebird database and staying reached: the attachment,
// the watchdog on every call, reattaching in the background, the embedded engine's settings.
//
// The database connection "Database1": its name, alias, fixed login parameters, and the
// Firebird attachment that the queries and lookups of the connection use. The login prompt
// is off: the user is never asked for credentials. Every engine failure is a
// veska::DatabaseError with the engine's message.
//
// No wait on the database is unbounded (run()): a call that gets no answer within
// callLimit is broken off by a watchdog, and a server that stopped answering is reached
// again from a thread of its own, so the program never hangs with it. An attachment that
// broke (server restarted, network lost, database damaged, file replaced) is dropped and
// the next use makes a new one; while no new one can be made, uses fail at once with the
// reason while new attempts go on in the background until the server answers again.

#include "catalogue/connection/AttachmentKeeper.h"
#include "catalogue/connection/DatabaseFileWatch.h"
#include "catalogue/connection/Watchdog.h"
#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/settings/ConnectionProfiles.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace veska::catalogue {

class AttachAttempt;

// The database cannot be used now: it stopped answering, or no new attachment could be
// made after a loss. Raised at once while that lasts.
class DatabaseUnavailableError : public firebird::ConnectionLostError {
public:
    using firebird::ConnectionLostError::ConnectionLostError;
};

class Database {
public:
    static inline const QString defaultAlias = QStringLiteral("QuildaneLojaR");
    // How long one call may wait for the database before it is broken off.
    static constexpr std::chrono::milliseconds callLimit{2000};
    // How long a server may take to accept a new attachment (its client's time-out).
    static constexpr int connectTimeoutSeconds = 10;

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

    // Resolves the alias through the connection profiles and attaches, waiting for the
    // attempt to end; no effect when connected.
    void connect();
    bool isConnected() const { return attachment_ != nullptr; }
    // False once a call was broken off (or a new attachment not made in a call's time),
    // until an attachment is made again: meanwhile uses fail at once.
    bool answering() const { return !notAnswering_; }
    // Drops the attachment; the next use makes a new one.
    void disconnect();

    // Lines for the activity log about the connection (a replaced file, a damaged
    // database, the connection back after it was lost). None until set.
    void setNoticeSink(std::function<void(const QString&)> sink) { notices_ = std::move(sink); }
    // Told once, with the reason, when the embedded engine has failed its consistency check
    // (a damaged database): nothing can be attached again until the program starts again,
    // and every use fails at once with that reason. A service ends there, to be restarted.
    void setEngineFailureSink(std::function<void(const QString&)> sink) {
        engineFailed_ = std::move(sink);
    }
    bool engineFailed() const { return !engineFailure_.isEmpty(); }

    // The attachment to use now: connects first when there is none (see above), and
    // attaches afresh when the database file has been replaced on disk, once every keeper
    // has let go of the old attachment.
    std::shared_ptr<firebird::Attachment> attachment();

    // Lists a keeper for as long as the entry lives.
    KeeperEntry listKeeper(AttachmentKeeper& keeper) { return {keepers_, keeper}; }
    // What a keeper that let go of its attachment raises at its next read: a lost
    // connection, so that its caller reads anew.
    [[noreturn]] static void raiseAttachmentDropped();

    // Runs work(attachment) with its waits bounded by callLimit. When the attachment
    // breaks during the work it is dropped; a call broken off for taking too long raises
    // DatabaseError saying that the database does not answer.
    template <class Work> decltype(auto) run(Work&& work) {
        return runOn(attachment(), std::forward<Work>(work));
    }
    // The same on a given attachment (a cursor's own, which may be an older one).
    template <class Work>
    decltype(auto) runOn(const std::shared_ptr<firebird::Attachment>& on, Work&& work) {
        Watchdog::Armed armed = watchdog_.arm(on, callLimit);
        try {
            return std::forward<Work>(work)(on);
        } catch (const firebird::ConnectionLostError& error) {
            lost(on, error, armed.fired());
        }
    }

    // The attachment broke: drop it (if it is still the current one) so that the next use
    // makes a new one.
    void connectionLost(const std::shared_ptr<firebird::Attachment>& broken);

    // What a new attachment of the connection's database is made with: also for a reader
    // of its own in another thread.
    firebird::AttachParameters attachParameters() const;

private:
    [[noreturn]] void lost(const std::shared_ptr<firebird::Attachment>& broken,
                           const firebird::ConnectionLostError& error, bool brokenOff);
    void adopt(std::shared_ptr<firebird::Attachment> attachment);
    std::shared_ptr<firebird::Attachment> reattach(std::chrono::milliseconds wait);
    void notice(const QString& line) const;

    ConnectionProfiles profiles_;
    QString alias_ = defaultAlias;
    Watchdog watchdog_;
    std::shared_ptr<firebird::Attachment> attachment_;
    // The database file of an embedded attachment, to notice when it is replaced.
    QString file_;
    DatabaseFileWatch fileWatch_;
    // After a loss: the attempt in progress, the last failure, and whether the server is
    // known not to answer (then uses do not wait for an attempt).
    std::unique_ptr<AttachAttempt> attempt_;
    QString unavailable_;
    bool notAnswering_ = false;
    bool everAttached_ = false;
    std::function<void(const QString&)> notices_;
    std::function<void(const QString&)> engineFailed_;
    QString engineFailure_;
    std::shared_ptr<KeeperEntry::List> keepers_ = std::make_shared<KeeperEntry::List>();
};

} // namespace veska::catalogue
