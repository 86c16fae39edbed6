#pragma once
// A decimal number read from the general text of a floating-point column ("12,5", "-0.005",
// "1,5E-5"), kept as its decimal digits so that arithmetic on it is exact: the value is
// 0.digits times ten to the pointPosition. Prices are rounded and multiplied on these
// digits, never on the binary double.

#include <QChar>
#include <QStringView>
#include <optional>
#include <string>

namespace veska::terminal {

struct DecimalNumber {
    bool negative = false;
    std::string digits; // at least one
    long pointPosition = 0;
};

// The text read as a decimal number: an optional sign, digits with at most one separator
// ("," or "." or the given one) and an optional exponent ("E-5"). Nothing for any other
// text, or for an exponent too large for any price a double can hold.
std::optional<DecimalNumber> parseDecimalNumber(QStringView text, QChar decimalSeparator);

} // namespace veska::terminal
