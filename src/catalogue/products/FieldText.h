#pragma once
// A field's value as the product list, its grid and the lookups read it: as text (text as
// stored, a floating-point value in general decimal form with the regional decimal
// separator, dates and times in the system locale's form, a null as empty text) and as a
// whole number (a floating-point value rounded, a null as 0).

#include <QString>
#include <QVariant>
#include <cstdint>

namespace veska::catalogue {

QString fieldText(const QVariant& value);
// Raises DatabaseError "'<text>' is not a valid integer value" for text that is no number.
std::int64_t fieldInteger(const QVariant& value);

} // namespace veska::catalogue
