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

void Journal::run() {
    State& state = *state_;
    std::unique_ptr<JournalWriter> writer;
    JournalBatch pending;
    QString path;
    QString lastProblem;
    bool diskFull = false;
    std::int64_t droppedWritten = 0;
    bool droppedSaid = false;
    auto lastPrune = std::chrono::steady_clock::now() - kPruneInterval;

    const auto say = [&](const QString& text) {
        if (state.notice)
            state.notice(prefixed(text));
    };
    // A problem that goes on is said once.
    const auto sayOnce = [&](const QString& text) {
        if (text != lastProblem)
            say(text);
        lastProblem = text;
    };
    // The shop folder may not be written: the journal goes to the fallback folder.
    const auto moveToFallback = [&] {
        const QString folder = fallbackJournalFolder();
        QDir().mkpath(folder);
        path = journalPathIn(folder);
    };
    const auto open = [&] {
        if (path.isEmpty()) {
            path = journalPathIn(state.options.folder);
            if (!journalWritableIn(state.options.folder)) {
                moveToFallback();
                say(QStringLiteral("a pasta %1 não permite gravar; o diário fica em %2.")
                        .arg(QDir(state.options.folder).absolutePath(), path));
            }
        }
        const auto begin = [&] {
            writer = std::make_unique<JournalWriter>(path, terminal::utcMillisecondsNow());
        };
        const auto startAfresh = [&](const QString& why) {
            const QString aside = setAside(path);
            say(QStringLiteral("%1 não pôde ser usado (%2); foi renomeado para %3 e um novo "
                               "diário foi começado.")
                    .arg(path, why, aside));
            begin();
        };
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
            } else if (refused && path == journalPathIn(state.options.folder)) {
                // The folder looked writable but is not (a read-only mount, a policy).
                const QString refusedPath = path;
                moveToFallback();
                say(QStringLiteral("%1 não pôde ser gravado (%2); o diário fica em %3.")
                        .arg(refusedPath, QString::fromUtf8(error.what()), path));
                begin();
            } else {
                throw;
            }
        }
    };
    // Writes what waits; false when it must wait for another try.
    const auto flush = [&] {
        try {
            if (!writer)
                open();
            writer->write(pending, terminal::utcMillisecondsNow());
            pending = {};
            if (diskFull)
                say(QStringLiteral("há espaço em disco de novo; a gravação continua."));
            diskFull = false;
            lastProblem.clear();
            return true;
        } catch (const SqliteError& error) {
            if (error.primaryCode() == SQLITE_FULL) {
                if (!diskFull)
                    say(QStringLiteral("disco cheio; as consultas esperam espaço para ser "
                                       "gravadas."));
                diskFull = true;
            } else if (error.damaged() && writer) {
                // Opened again on the next try, which sets the file aside.
                writer.reset();
                return false;
            } else {
                writer.reset();
                sayOnce(QStringLiteral("%1 não pôde ser gravado (%2); nova tentativa em "
                                       "instantes.")
                            .arg(path.isEmpty() ? journalFileName : path,
                                 QString::fromUtf8(error.what())));
            }
        } catch (const std::exception& error) {
            writer.reset();
            sayOnce(QStringLiteral("%1 não pôde ser aberto (%2); nova tentativa em instantes.")
                        .arg(path, QString::fromUtf8(error.what())));
        }
        return false;
    };

    bool stopping = false;
    bool waiting = false; // the last try failed
    while (true) {
        std::int64_t dropped = 0;
        int retentionDays = 0;
        {
            std::unique_lock lock(state.mutex);
            state.wake.wait_for(lock, waiting ? kRetryInterval : kFlushInterval,
                                [&] { return state.stopping; });
            stopping = state.stopping;
            dropped = state.dropped;
            retentionDays = state.retentionDays;
            // A batch that waits for room is not added to: the queue holds what comes.
            if (pending.empty()) {
                std::swap(pending, state.queue);
                state.queue.scans.reserve(pending.scans.capacity());
            }
        }
        if (dropped > 0 && !droppedSaid) {
            say(QStringLiteral("a fila encheu e %1 registros foram descartados; os seguintes "
                               "são contados sem novo aviso.")
                    .arg(dropped));
            droppedSaid = true;
        }
        waiting = !flush();
        if (!waiting && writer) {
            try {
                if (dropped != droppedWritten)
                    writer->setDropped(dropped);
                droppedWritten = dropped;
                if (std::chrono::steady_clock::now() - lastPrune >= kPruneInterval) {
                    if (!writer->pruneStep(terminal::utcMillisecondsNow(), retentionDays))
                        lastPrune = std::chrono::steady_clock::now();
                }
            } catch (const SqliteError&) {
                // Pruning waits for the next round; the rows are written.
            }
        }
        if (stopping) {
            std::lock_guard lock(state.mutex);
            if (state.queue.empty() || waiting)
                break;
        }
    }
}

} // namespace veska::journal
