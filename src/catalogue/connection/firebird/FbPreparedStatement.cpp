#include "catalogue/connection/firebird/FbPreparedStatement.h"

#include "catalogue/connection/firebird/FbAttachment.h"
#include "catalogue/connection/firebird/FbError.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "core/CodePage.h"
#include "core/Errors.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

namespace veska::catalogue::firebird {

namespace {

constexpr int kNoneCharacterSet = 0;

// A value of the engine's buffer, which need not be aligned for its type.
template <class T> T fieldAt(const char* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

// The character set of a text value: of a column or parameter, or of a text blob.
std::optional<int> textCharacterSet(const XSQLVAR& var) {
    switch (var.sqltype & ~1) {
    case SQL_TEXT:
    case SQL_VARYING:
        return var.sqlsubtype & 0xFF; // the collation is in the high byte
    case SQL_BLOB:
        if (var.sqlsubtype == isc_blob_text)
            return var.sqlscale & 0xFF;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

// A single-precision value as the shortest decimal that reads back as the same float: the
// digits the shop typed (2.675, not 2.6749999523162842).
double shortestDecimal(float number) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text - 1, number).ptr;
    *end = '\0';
    return std::strtod(text, nullptr);
}

} // namespace

// An XSQLDA with the memory that the client library fills (output) or reads (input).
struct PreparedStatement::Descriptor {
    XSQLDA* sqlda = nullptr;
    std::vector<std::vector<char>> data;
    std::vector<short> nullFlags;
    // Per column: text in Windows-1252, not UTF-8.
    std::vector<bool> win1252;

    // A column or parameter of character set NONE that holds Windows-1252 text on a UTF-8
    // attachment.
    static bool noneInWin1252(const Attachment& attachment, const XSQLVAR& var) {
        return attachment.noneColumnsInWin1252() && textCharacterSet(var) == kNoneCharacterSet;
    }

    explicit Descriptor(int columns) {
        sqlda = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(std::max(columns, 1))));
        sqlda->version = SQLDA_VERSION1;
        sqlda->sqln = static_cast<ISC_SHORT>(std::max(columns, 1));
    }
    ~Descriptor() { std::free(sqlda); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    // Which text columns come in Windows-1252 rather than UTF-8.
    void bindOutput(const Attachment& attachment) {
        const int columns = sqlda->sqld;
        data.resize(static_cast<std::size_t>(columns));
        nullFlags.assign(static_cast<std::size_t>(columns), 0);
        win1252.assign(static_cast<std::size_t>(columns), false);
        for (int i = 0; i < columns; ++i) {
            XSQLVAR& var = sqlda->sqlvar[i];
            win1252[static_cast<std::size_t>(i)] =
                !attachment.utf8() || noneInWin1252(attachment, var);
            std::size_t size = static_cast<std::size_t>(var.sqllen);
            if ((var.sqltype & ~1) == SQL_VARYING)
                size += sizeof(short);
            data[static_cast<std::size_t>(i)].assign(size + 1, 0);
            var.sqldata = data[static_cast<std::size_t>(i)].data();
            var.sqlind = &nullFlags[static_cast<std::size_t>(i)];
            var.sqltype = static_cast<ISC_SHORT>(var.sqltype | 1); // always ask for the null flag
        }
    }
};

PreparedStatement::PreparedStatement(Attachment& attachment, Transaction& transaction,
                                     const QByteArray& sql)
    : attachment_(attachment), output_(std::make_unique<Descriptor>(20)) {
    ISC_STATUS_ARRAY status;
    isc_dsql_allocate_statement(status, attachment_.handle(), &handle_.value);
    check(status);
    isc_dsql_prepare(status, transaction.handle(), &handle_.value, 0, sql.constData(),
                     SQL_DIALECT_V6, output_->sqlda);
    check(status);
    const int columns = output_->sqlda->sqld;
    if (columns > output_->sqlda->sqln) {
        output_ = std::make_unique<Descriptor>(columns);
        isc_dsql_describe(status, &handle_.value, SQL_DIALECT_V6, output_->sqlda);
        check(status);
    }
    output_->bindOutput(attachment_);
    hasResultSet_ = columns > 0;
    for (int i = 0; i < columns; ++i) {
        const XSQLVAR& var = output_->sqlda->sqlvar[i];
        columnNames_.append(QString::fromUtf8(var.aliasname, var.aliasname_length));
    }

    input_ = std::make_unique<Descriptor>(4);
    isc_dsql_describe_bind(status, &handle_.value, SQL_DIALECT_V6, input_->sqlda);
    check(status);
    if (input_->sqlda->sqld > input_->sqlda->sqln) {
        input_ = std::make_unique<Descriptor>(input_->sqlda->sqld);
        isc_dsql_describe_bind(status, &handle_.value, SQL_DIALECT_V6, input_->sqlda);
        check(status);
    }
    input_->nullFlags.assign(static_cast<std::size_t>(input_->sqlda->sqld), 0);
    for (int i = 0; i < input_->sqlda->sqld; ++i) {
        const XSQLVAR& var = input_->sqlda->sqlvar[i];
        const int type = var.sqltype & ~1;
        parameterCapacities_.push_back(type == SQL_TEXT || type == SQL_VARYING ? var.sqllen : -1);
        // Compared with a column of character set NONE that holds Windows-1252 text: the
        // caller's UTF-8 is sent as Windows-1252.
        input_->win1252.push_back(Descriptor::noneInWin1252(attachment_, var));
    }
}

PreparedStatement::Handle::~Handle() {
    if (value != 0) {
        ISC_STATUS_ARRAY status;
        isc_dsql_free_statement(status, &value, DSQL_drop);
    }
}

PreparedStatement::~PreparedStatement() = default;

int PreparedStatement::parameterCount() const {
    return input_->sqlda->sqld;
}

int PreparedStatement::parameterCapacity(int index) const {
    return parameterCapacities_.at(static_cast<std::size_t>(index));
}

void PreparedStatement::closeCursor() noexcept {
    if (!cursorOpen_)
        return;
    ISC_STATUS_ARRAY status;
    isc_dsql_free_statement(status, &handle_.value, DSQL_close);
    cursorOpen_ = false;
}

void PreparedStatement::execute(Transaction& transaction,
                                const std::vector<QByteArray>& parameters) {
    closeCursor();
    XSQLDA* in = input_->sqlda;
    if (static_cast<int>(parameters.size()) != in->sqld)
        throw DatabaseError(QStringLiteral("Statement takes %1 parameters, %2 given")
                                .arg(in->sqld)
                                .arg(parameters.size()));
    // Parameters sent in Windows-1252, alive until the engine has read them. Nothing is
    // allocated where none is (the lookups of a WIN1252 or UTF8 column); room for all is
    // made at the first, so that the references below stay valid.
    std::vector<QByteArray> recoded;
    for (int i = 0; i < in->sqld; ++i) {
        XSQLVAR& var = in->sqlvar[i];
        const auto index = static_cast<std::size_t>(i);
        if (input_->win1252[index] && recoded.empty())
            recoded.reserve(static_cast<std::size_t>(in->sqld));
        const QByteArray& bytes =
            input_->win1252[index]
                ? recoded.emplace_back(codepage::fromUnicode(QString::fromUtf8(parameters[index])))
                : parameters[index];
        // Text in the connection's character set, whatever the parameter's declared type:
        // the engine converts it as it would a literal.
        var.sqltype = SQL_TEXT | 1;
        var.sqllen = static_cast<ISC_SHORT>(bytes.size());
        var.sqldata = const_cast<char*>(bytes.constData());
        var.sqlind = &input_->nullFlags[static_cast<std::size_t>(i)];
        *var.sqlind = 0;
    }
    ISC_STATUS_ARRAY status;
    isc_dsql_execute(status, transaction.handle(), &handle_.value, SQL_DIALECT_V6,
                     in->sqld > 0 ? in : nullptr);
    check(status);
    transaction_ = &transaction;
    cursorOpen_ = hasResultSet_;
}

bool PreparedStatement::fetch() {
    if (!cursorOpen_)
        return false;
    ISC_STATUS_ARRAY status;
    const ISC_STATUS result =
        isc_dsql_fetch(status, &handle_.value, SQL_DIALECT_V6, output_->sqlda);
    if (result == 100) {
        closeCursor();
        return false;
    }
    check(status);
    return true;
}

QByteArray PreparedStatement::rawBytes(int column) const {
    const XSQLVAR& var = output_->sqlda->sqlvar[column];
    if (*var.sqlind < 0)
        return {};
    if ((var.sqltype & ~1) == SQL_VARYING)
        return QByteArray(var.sqldata + sizeof(short), fieldAt<short>(var.sqldata));
    return QByteArray(var.sqldata, var.sqllen);
}

QString PreparedStatement::decodeText(int column, const char* bytes, qsizetype size) const {
    if (output_->win1252[static_cast<std::size_t>(column)])
        return codepage::toUnicode(QByteArrayView(bytes, size));
    return QString::fromUtf8(bytes, size);
}

QVariant PreparedStatement::value(int column) {
    const XSQLVAR& var = output_->sqlda->sqlvar[column];
    if (*var.sqlind < 0)
        return {};
    const char* data = var.sqldata;
    const int scale = var.sqlscale;
    const auto scaled = [scale](qint64 number) -> QVariant {
        if (scale >= 0)
            return QVariant::fromValue(number);
        double divisor = 1;
        for (int i = 0; i < -scale; ++i)
            divisor *= 10;
        return QVariant(static_cast<double>(number) / divisor);
    };
    switch (var.sqltype & ~1) {
    case SQL_TEXT: {
        // CHAR columns come padded with blanks to their length; the padding is not data.
        qsizetype size = var.sqllen;
        while (size > 0 && data[size - 1] == ' ')
            --size;
        return decodeText(column, data, size);
    }
    case SQL_VARYING:
        return decodeText(column, data + sizeof(short), fieldAt<short>(data));
    case SQL_SHORT:
        return scaled(fieldAt<short>(data));
    case SQL_LONG:
        return scaled(fieldAt<ISC_LONG>(data));
    case SQL_INT64:
        return scaled(fieldAt<ISC_INT64>(data));
    case SQL_FLOAT:
        return QVariant(shortestDecimal(fieldAt<float>(data)));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return QVariant(fieldAt<double>(data));
    case SQL_BOOLEAN:
        return QVariant(*reinterpret_cast<const unsigned char*>(data) != 0);
    case SQL_TYPE_DATE: {
        std::tm tm{};
        isc_decode_sql_date(reinterpret_cast<const ISC_DATE*>(data), &tm);
        return QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    }
    case SQL_TYPE_TIME:
        return QTime::fromMSecsSinceStartOfDay(static_cast<int>(fieldAt<ISC_TIME>(data) / 10));
    case SQL_TIMESTAMP: {
        const auto stamp = fieldAt<ISC_TIMESTAMP>(data);
        std::tm tm{};
        isc_decode_sql_date(&stamp.timestamp_date, &tm);
        return QDateTime(
            QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday),
            QTime::fromMSecsSinceStartOfDay(static_cast<int>(stamp.timestamp_time / 10)));
    }
    case SQL_BLOB:
        return readBlob(column, fieldAt<ISC_QUAD>(data));
    default:
        throw DatabaseError(QStringLiteral("Unsupported type %1 of column %2")
                                .arg(var.sqltype & ~1)
                                .arg(columnNames_.value(column)));
    }
}

QVariant PreparedStatement::readBlob(int column, const ISC_QUAD& id) {
    ISC_STATUS_ARRAY status;
    isc_blob_handle blob = 0;
    ISC_QUAD blobId = id;
    isc_open_blob2(status, attachment_.handle(), transaction_->handle(), &blob, &blobId, 0,
                   nullptr);
    check(status);
    QByteArray bytes;
    char segment[8192];
    for (;;) {
        unsigned short length = 0;
        const ISC_STATUS result = isc_get_segment(status, &blob, &length, sizeof segment, segment);
        if (result != 0 && status[1] != isc_segment) {
            if (status[1] == isc_segstr_eof)
                break;
            ISC_STATUS_ARRAY ignored;
            isc_close_blob(ignored, &blob);
            raise(status);
        }
        bytes.append(segment, length);
    }
    isc_close_blob(status, &blob);
    return decodeText(column, bytes.constData(), bytes.size());
}

} // namespace veska::catalogue::firebird
