#pragma once
// The price text that a terminal shows: "R$ ", the price to the cent, the regional decimal
// separator, always two decimals, no digit grouping ("R$ 12,50", "R$ 1234,50").
//
// The price arrives as the general decimal text of the floating-point column (up to 15
// significant digits, no trailing zeros, possibly an exponent such as "1,5E-5"). The
// rounding works on that decimal text, not on the binary double, so a price stored as
// 2,675 gives "R$ 2,68" and 0,005 gives "R$ 0,01": half a cent rounds away from zero, also
// for negative prices ("-12,345" gives "R$ -12,35"). A result of zero cents has no sign.
//
// An article without a price (a null in the price column) is answered with its
// description and the price text "SEM PREÇO", never with a made-up amount; so is a price
// whose text is not a decimal number.

#include <QChar>
#include <QString>
#include <QStringView>
#include <optional>

namespace veska::terminal {

// What is shown in place of the price when the article has none.
QString noPriceText();

// The decimal separator of the computer's regional settings: the system locale, which
// follows LC_ALL, LC_NUMERIC and LANG, as the database layer's number texts do.
QChar regionalDecimalSeparator();

// "R$ " and the price rounded to the cent with the given separator, or nothing when the
// text is not a decimal number. The text may use "," or "." (or the given separator) as
// its decimal separator.
std::optional<QString> priceText(QStringView generalText, QChar decimalSeparator);

} // namespace veska::terminal
