#include "catalogue/connection/firebird/FbTransaction.h"

#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbError.h"

namespace veska::catalogue::firebird {

Transaction::Transaction(Attachment& attachment, Kind kind) {
    static const char readCommitted[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                         isc_tpb_rec_version, isc_tpb_nowait};
    static const char readWrite[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency,
                                     isc_tpb_wait};
    const bool readOnly = kind == Kind::ReadCommittedReadOnly;
    const char* tpb = readOnly ? readCommitted : readWrite;
    const auto tpbLength =
        static_cast<unsigned short>(readOnly ? sizeof readCommitted : sizeof readWrite);
    ISC_STATUS_ARRAY status;
    isc_start_transaction(status, &handle_, 1, attachment.handle(), tpbLength, tpb);
    check(status);
}

Transaction::~Transaction() {
    rollbackQuietly();
}

void Transaction::commit() {
    ISC_STATUS_ARRAY status;
    isc_commit_transaction(status, &handle_);
    check(status);
}

void Transaction::rollbackQuietly() noexcept {
    if (handle_ == 0)
        return;
    ISC_STATUS_ARRAY status;
    if (isc_rollback_transaction(status, &handle_) != 0)
        handle_ = 0;
}

} // namespace veska::catalogue::firebird
