#include "journal/Journal.h"

#include "journal/JournalPlace.h"
#include "journal/JournalSchema.h"
#include "journal/JournalWriter.h"
#include "journal/LocalDay.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <chrono>

namespace veska::journal {
namespace {

using namespace std::chrono_literals;
constexpr auto kFlushInterval = 1s;
constexpr auto kRetryInterval = 5s;
constexpr auto kPruneInterval = 60s;

QString prefixed(const QString& text) {
    return QStringLiteral("Diário de consultas: ") + text;
}

// Moves a damaged journal and its WAL files aside; the name of the moved file.
QString setAside(const QString& path) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString aside = path + QStringLiteral(".damaged-") + stamp;
    QFile::remove(aside);
    QFile::rename(path, aside);
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString file = path + QLatin1String(suffix);
        if (QFile::exists(file) && !QFile::rename(file, aside + QLatin1String(suffix)))
            QFile::remove(file);
    }
    return aside;
}

} // namespace

struct Journal::State {
    JournalOptions options;
    Notice notice;
    std::mutex mutex;
    std::condition_variable wake;
    JournalBatch queue;
    bool stopping = false;
    std::int64_t dropped = 0;
    int retentionDays = 90;
};

Journal::Journal(JournalOptions options, Notice notice) : state_(std::make_unique<State>()) {
    state_->retentionDays = options.retentionDays;
    state_->options = std::move(options);
    state_->notice = std::move(notice);
    state_->queue.scans.reserve(256);
    thread_ = std::thread([this] { run(); });
}

Journal::~Journal() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_one();
    thread_.join();
}

void Journal::scanAnswered(terminal::AnsweredScan scan) noexcept {
    std::lock_guard lock(state_->mutex);
    if (state_->queue.scans.size() >= state_->options.queueLimit) {
        ++state_->dropped;
        return;
    }
    try {
        state_->queue.scans.push_back(std::move(scan));
    } catch (...) {
        ++state_->dropped;
    }
}

void Journal::terminalConnection(const terminal::TerminalConnection& change) noexcept {
    std::lock_guard lock(state_->mutex);
    try {
        // Joins and leaves are few; they are never dropped for the scans' sake.
        state_->queue.connections.push_back(change);
    } catch (...) {
        ++state_->dropped;
    }
}

void Journal::setRetentionDays(int days) {
    std::lock_guard lock(state_->mutex);
    state_->retentionDays = days;
}

std::int64_t Journal::dropped() const {
    std::lock_guard lock(state_->mutex);
    return state_->dropped;
}

// The journal's thread: what it has yet to write, where, and what it has said.
class Journal::Writing {
public:
    explicit Writing(State& state) : state_(state) {}
    void run();

private:
    struct Round {
        bool stopping = false;
        std::int64_t dropped = 0;
        int retentionDays = 0;
    };
    // Waits for the next round and takes what the queue holds.
    Round next(bool waiting);
    void say(const QString& text) const;
    // A problem that goes on is said once.
    void sayOnce(const QString& text);
    // The shop folder may not be written: the journal goes to the fallback folder.
    void moveToFallback();
    void begin();
    void startAfresh(const QString& why);
    void open();
    // Writes what waits; false when it must wait for another try.
    bool flush();
    // After a write: the count of dropped rows, and a step of the retention.
    void keep(const Round& round);

    State& state_;
    std::unique_ptr<JournalWriter> writer_;
    JournalBatch pending_;
    QString path_;
    QString lastProblem_;
    bool diskFull_ = false;
    std::int64_t droppedWritten_ = 0;
    bool droppedSaid_ = false;
    std::chrono::steady_clock::time_point lastPrune_ =
        std::chrono::steady_clock::now() - kPruneInterval;
};

void Journal::run() {
    Writing(*state_).run();
}

void Journal::Writing::say(const QString& text) const {
    if (state_.notice)
        state_.notice(prefixed(text));
}

void Journal::Writing::sayOnce(const QString& text) {
    if (text != lastProblem_)
        say(text);
    lastProblem_ = text;
}

void Journal::Writing::moveToFallback() {
    const QString folder = fallbackJournalFolder();
    QDir().mkpath(folder);
    path_ = journalPathIn(folder);
}

void Journal::Writing::begin() {
    writer_ = std::make_unique<JournalWriter>(path_, terminal::utcMillisecondsNow());
}

void Journal::Writing::startAfresh(const QString& why) {
    const QString aside = setAside(path_);
    say(QStringLiteral("%1 não pôde ser usado (%2); foi renomeado para %3 e um novo "
                       "diário foi começado.")
            .arg(path_, why, aside));
    begin();
}

void Journal::Writing::open() {
    const QString& folder = state_.options.folder;
    if (path_.isEmpty()) {
        path_ = journalPathIn(folder);
        if (!journalWritableIn(folder)) {
            moveToFallback();
            say(QStringLiteral("a pasta %1 não permite gravar; o diário fica em %2.")
                    .arg(QDir(folder).absolutePath(), path_));
        }
    }
    try {
        begin();
    } catch (const UnusableJournal& error) {
        startAfresh(QString::fromUtf8(error.what()));
    } catch (const SqliteError& error) {
        const int code = error.primaryCode();
        const bool refused = code == SQLITE_CANTOPEN || code == SQLITE_READONLY ||
                             code == SQLITE_PERM || code == SQLITE_AUTH;
        if (error.damaged()) {
            startAfresh(QString::fromUtf8(error.what()));
        } else if (refused && path_ == journalPathIn(folder)) {
            // The folder looked writable but is not (a read-only mount, a policy).
            const QString refusedPath = path_;
            moveToFallback();
            say(QStringLiteral("%1 não pôde ser gravado (%2); o diário fica em %3.")
                    .arg(refusedPath, QString::fromUtf8(error.what()), path_));
            begin();
        } else {
            throw;
        }
    }
}

bool Journal::Writing::flush() {
    try {
        if (!writer_)
            open();
        writer_->write(pending_, terminal::utcMillisecondsNow());
        pending_ = {};
        if (diskFull_)
            say(QStringLiteral("há espaço em disco de novo; a gravação continua."));
        diskFull_ = false;
        lastProblem_.clear();
        return true;
    } catch (const SqliteError& error) {
        if (error.primaryCode() == SQLITE_FULL) {
            if (!diskFull_)
                say(QStringLiteral("disco cheio; as consultas esperam espaço para ser "
                                   "gravadas."));
            diskFull_ = true;
        } else if (error.damaged() && writer_) {
            // Opened again on the next try, which sets the file aside.
            writer_.reset();
        } else {
            writer_.reset();
            sayOnce(QStringLiteral("%1 não pôde ser gravado (%2); nova tentativa em "
                                   "instantes.")
                        .arg(path_.isEmpty() ? journalFileName : path_,
                             QString::fromUtf8(error.what())));
        }
    } catch (const std::exception& error) {
        writer_.reset();
        sayOnce(QStringLiteral("%1 não pôde ser aberto (%2); nova tentativa em instantes.")
                    .arg(path_, QString::fromUtf8(error.what())));
    }
    return false;
}

Journal::Writing::Round Journal::Writing::next(bool waiting) {
    std::unique_lock lock(state_.mutex);
    state_.wake.wait_for(lock, waiting ? kRetryInterval : kFlushInterval,
                         [this] { return state_.stopping; });
    // A batch that waits for room is not added to: the queue holds what comes.
    if (pending_.empty()) {
        std::swap(pending_, state_.queue);
        state_.queue.scans.reserve(pending_.scans.capacity());
    }
    return {state_.stopping, state_.dropped, state_.retentionDays};
}

void Journal::Writing::keep(const Round& round) {
    try {
        if (round.dropped != droppedWritten_)
            writer_->setDropped(round.dropped);
        droppedWritten_ = round.dropped;
        if (std::chrono::steady_clock::now() - lastPrune_ >= kPruneInterval &&
            !writer_->pruneStep(terminal::utcMillisecondsNow(), round.retentionDays))
            lastPrune_ = std::chrono::steady_clock::now();
    } catch (const SqliteError&) {
        // Pruning waits for the next round; the rows are written.
    }
}

void Journal::Writing::run() {
    bool waiting = false; // the last try failed
    while (true) {
        const Round round = next(waiting);
        if (round.dropped > 0 && !droppedSaid_) {
            say(QStringLiteral("a fila encheu e %1 registros foram descartados; os seguintes "
                               "são contados sem novo aviso.")
                    .arg(round.dropped));
            droppedSaid_ = true;
        }
        waiting = !flush();
        if (!waiting && writer_)
            keep(round);
        if (round.stopping) {
            std::lock_guard lock(state_.mutex);
            if (state_.queue.empty() || waiting)
                break;
        }
    }
}

} // namespace veska::journal
