#pragma once
// Writes batches of the journal into an open journal file: the raw rows and the totals of
// each batch in one transaction, so a batch is either whole in the file or not at all.
// Used by the journal's own thread only.

#include "journal/Sqlite.h"
#include "terminal/ScanJournal.h"

#include <memory>
#include <vector>

namespace veska::journal {

struct JournalBatch {
    std::vector<terminal::AnsweredScan> scans;
    std::vector<terminal::TerminalConnection> connections;
    bool empty() const { return scans.empty() && connections.empty(); }
};

class JournalWriter {
public:
    // Opens (creating it) and checks the file; raises SqliteError or UnusableJournal.
    // A run row is begun at once.
    JournalWriter(const QString& path, std::int64_t nowMs);
    ~JournalWriter();

    // Writes the batch, and says the run is alive at nowMs; raises SqliteError.
    void write(const JournalBatch& batch, std::int64_t nowMs);
    // Records how many rows the run has dropped so far.
    void setDropped(std::int64_t dropped);
    // Deletes at most a few thousand raw rows older than the retention; true while more wait.
    bool pruneStep(std::int64_t nowMs, int retentionDays);

private:
    struct Statements;
    SqliteConnection db_;
    std::unique_ptr<Statements> statements_;
    std::int64_t run_ = 0;
};

} // namespace veska::journal
