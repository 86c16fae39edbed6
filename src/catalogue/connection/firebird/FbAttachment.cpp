#include "catalogue/connection/firebird/FbAttachment.h"

#include "catalogue/connection/EmbeddedEngine.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/connection/firebird/FbTransaction.h"

#include <utility>

namespace veska::catalogue::firebird {
namespace {

void appendItem(QByteArray& dpb, char item, const QByteArray& value) {
    dpb.append(item);
    dpb.append(static_cast<char>(std::min<qsizetype>(value.size(), 255)));
    dpb.append(value.left(255));
}

QByteArray parameterBlock(const AttachParameters& parameters) {
    QByteArray dpb;
    dpb.append(static_cast<char>(isc_dpb_version1));
    if (!parameters.user.isEmpty())
        appendItem(dpb, isc_dpb_user_name, parameters.user);
    if (!parameters.password.isEmpty())
        appendItem(dpb, isc_dpb_password, parameters.password);
    if (!parameters.charset.isEmpty())
        appendItem(dpb, isc_dpb_lc_ctype, parameters.charset);
    if (parameters.connectTimeoutSeconds > 0) {
        dpb.append(static_cast<char>(isc_dpb_connect_timeout));
        dpb.append(static_cast<char>(4));
        const qint32 seconds = parameters.connectTimeoutSeconds;
        dpb.append(reinterpret_cast<const char*>(&seconds),
                   4); // little-endian, as the client reads it
    }
    if (parameters.forcedWrites) {
        dpb.append(static_cast<char>(isc_dpb_force_write));
        dpb.append(static_cast<char>(1));
        dpb.append(static_cast<char>(*parameters.forcedWrites ? 1 : 0));
    }
    return dpb;
}

bool isUtf8(const QByteArray& charset) {
    const QByteArray upper = charset.toUpper();
    return upper == "UTF8" || upper == "UNICODE_FSS";
}

// The embedded engine maps its lock files at the first attachment; on a full file system
// that faults with SIGBUS, so the room is checked before.
void requireRoomFor(const QByteArray& database) {
    if (isEmbeddedDatabase(database))
        requireLockFolderRoom();
}

} // namespace

Attachment::Attachment(isc_db_handle handle, const AttachParameters& parameters)
    : handle_(handle), utf8_(isUtf8(parameters.charset)),
      noneColumnsInWin1252_(utf8_ && parameters.noneColumnsInWin1252) {}

Attachment Attachment::attach(const AttachParameters& parameters) {
    requireRoomFor(parameters.database);
    const QByteArray dpb = parameterBlock(parameters);
    ISC_STATUS_ARRAY status;
    isc_db_handle handle = 0;
    isc_attach_database(status, static_cast<short>(parameters.database.size()),
                        parameters.database.constData(), &handle, static_cast<short>(dpb.size()),
                        dpb.constData());
    check(status);
    return Attachment(handle, parameters);
}

Attachment Attachment::create(const AttachParameters& parameters,
                              const QByteArray& defaultCharset) {
    requireRoomFor(parameters.database);
    QByteArray dpb = parameterBlock(parameters);
    appendItem(dpb, isc_dpb_set_db_charset, defaultCharset);
    dpb.append(static_cast<char>(isc_dpb_sql_dialect));
    dpb.append(static_cast<char>(4));
    dpb.append(QByteArray("\x03\x00\x00\x00", 4));
    ISC_STATUS_ARRAY status;
    isc_db_handle handle = 0;
    isc_create_database(status, static_cast<short>(parameters.database.size()),
                        parameters.database.constData(), &handle, static_cast<short>(dpb.size()),
                        dpb.constData(), 0);
    check(status);
    return Attachment(handle, parameters);
}

Attachment::Attachment(Attachment&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)), utf8_(other.utf8_),
      noneColumnsInWin1252_(other.noneColumnsInWin1252_) {}

Attachment& Attachment::operator=(Attachment&& other) noexcept {
    if (this != &other) {
        detach();
        handle_ = std::exchange(other.handle_, 0);
        utf8_ = other.utf8_;
        noneColumnsInWin1252_ = other.noneColumnsInWin1252_;
    }
    return *this;
}

Attachment::~Attachment() {
    detach();
}

void Attachment::detach() noexcept {
    if (handle_ == 0)
        return;
    ISC_STATUS_ARRAY status;
    // A broken attachment cannot be detached cleanly; the client then frees the handle
    // itself on the next call, so the error is of no use here.
    if (isc_detach_database(status, &handle_) != 0)
        handle_ = 0;
}

void Attachment::abort() noexcept {
    if (handle_ == 0)
        return;
    ISC_STATUS_ARRAY status;
    fb_cancel_operation(status, &handle_, fb_cancel_abort);
}

void Attachment::executeImmediate(const QByteArray& sql) {
    Transaction transaction(*this, Transaction::Kind::ReadWrite);
    ISC_STATUS_ARRAY status;
    isc_dsql_execute_immediate(status, &handle_, transaction.handle(),
                               static_cast<unsigned short>(sql.size()), sql.constData(),
                               SQL_DIALECT_V6, nullptr);
    check(status);
    transaction.commit();
}

} // namespace veska::catalogue::firebird
