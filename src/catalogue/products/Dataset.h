#pragma once
// What the services need of a query: open and close it, make a row current by one column's
// exact value, and read the current row's fields. Every failure is a veska::DatabaseError
// carrying the engine's message.

#include "catalogue/products/FieldText.h"

#include <QString>
#include <QVariant>
#include <cstdint>

namespace veska::catalogue {

class Dataset {
public:
    virtual ~Dataset() = default;
    // Runs the before-open hook, connects if needed, runs the statement, first row current.
    virtual void open() = 0;
    // Closing a closed query does nothing.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The first row in result order whose column equals the value exactly (whole value,
    // case-sensitive, no blank padding) becomes current; otherwise false, current row kept.
    // Column names match without regard to case.
    virtual bool locate(const QString& column, const QString& value) = 0;
    // The current row's field as the engine gave it; a null without a current row.
    virtual QVariant fieldValue(const QString& column) const = 0;

    // Text of the current row's field: text as stored, a floating-point value in general
    // decimal form with the regional decimal separator, a null as empty text.
    QString fieldAsText(const QString& column) const { return fieldText(fieldValue(column)); }
    bool fieldIsNull(const QString& column) const { return fieldValue(column).isNull(); }
    std::int64_t fieldAsInteger(const QString& column) const {
        return fieldInteger(fieldValue(column));
    }
};

} // namespace veska::catalogue
