#include "catalogue/products/FieldText.h"

#include "catalogue/products/NumberText.h"
#include "core/Errors.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <cmath>

namespace veska::catalogue {

QString fieldText(const QVariant& value) {
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
        return generalDecimalText(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return QLocale::system().toString(value.toDate(), QLocale::ShortFormat);
    case QMetaType::QTime:
        return QLocale::system().toString(value.toTime(), QLocale::LongFormat);
    case QMetaType::QDateTime:
        return QLocale::system().toString(value.toDateTime(), QLocale::ShortFormat);
    default:
        return value.toString();
    }
}

std::int64_t fieldInteger(const QVariant& value) {
    if (value.isNull())
        return 0;
    if (value.typeId() == QMetaType::Double)
        return std::llround(value.toDouble());
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok)
        throw DatabaseError(
            QStringLiteral("'%1' is not a valid integer value").arg(fieldText(value)));
    return number;
}

} // namespace veska::catalogue
