#pragma once
// A Firebird transaction on one attachment. Rolled back when destroyed uncommitted.

#include <ibase.h>

namespace veska::catalogue::firebird {

class Attachment;

class Transaction {
public:
    enum class Kind {
        // Read-only, read committed: sees what is committed at each read and, being
        // read-only, holds back no garbage collection however long it stays open.
        ReadCommittedReadOnly,
        // Read-write snapshot, for the tools and tests that write.
        ReadWrite,
    };

    Transaction(Attachment& attachment, Kind kind);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();

    isc_tr_handle* handle() { return &handle_; }
    bool active() const { return handle_ != 0; }
    void commit();
    // Ends the transaction, ignoring errors (used when the attachment may be gone).
    void rollbackQuietly() noexcept;

private:
    isc_tr_handle handle_ = 0;
};

} // namespace veska::catalogue::firebird
