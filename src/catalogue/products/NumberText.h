#pragma once
// The two ways a floating-point field becomes text: the general decimal form of a field's
// text, and the grid's display format "#,##0.00". Separators come from the locale given,
// normally QLocale::system(), which follows LC_ALL, LC_NUMERIC and LANG.

#include <QLocale>
#include <QString>

namespace veska::catalogue {

// At most 15 significant digits, no trailing zeros, no digit grouping, the locale's decimal
// separator ("12,5" under pt_BR). Values below 1e-4 or from 1e15 on use the exponent form
// "1,5E20" / "1E-5".
QString generalDecimalText(double value, const QLocale& locale = QLocale::system());

// "#,##0.00": the value to the nearest hundredth (halves away from zero, judged on its
// 15-digit decimal form, so 2.675 gives "2,68"), always two decimals, at least one integer
// digit, the locale's digit grouping and decimal separator ("1.234,50" under pt_BR).
QString moneyText(double value, const QLocale& locale = QLocale::system());

} // namespace veska::catalogue
