#include "catalogue/products/NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace veska::catalogue {
namespace {

QString withLocaleSeparator(QString text, const QLocale& locale) {
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

} // namespace

QString generalDecimalText(double value, const QLocale& locale) {
    if (value == 0)
        return QStringLiteral("0");
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NAN")
                                 : (value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF"));
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e < 0)
        return withLocaleSeparator(text, locale);
    // "1.5e+20" -> "1.5E20", "1e-05" -> "1E-5"
    QString mantissa = text.left(e);
    const int exponent = text.mid(e + 1).toInt();
    return withLocaleSeparator(mantissa, locale) + QStringLiteral("E") + QString::number(exponent);
}

QString moneyText(double value, const QLocale& locale) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e15)
        return locale.toString(value, 'f', 2);
    // The 15 significant digits as an integer M and a power of ten: value = M * 10^(exp-14).
    const QString scientific = QString::number(std::fabs(value), 'e', 14);
    const qsizetype e = scientific.indexOf(QLatin1Char('e'));
    QString digits = scientific.left(e);
    digits.remove(QLatin1Char('.'));
    const std::int64_t mantissa = digits.toLongLong();
    const int exponent = scientific.mid(e + 1).toInt();
    // Hundredths: M * 10^(exp-12), rounded half away from zero.
    const int shift = exponent - 12;
    std::int64_t cents = 0;
    if (shift >= 0) {
        cents = mantissa;
        for (int i = 0; i < shift; ++i)
            cents *= 10;
    } else if (shift > -18) {
        std::int64_t divisor = 1;
        for (int i = 0; i < -shift; ++i)
            divisor *= 10;
        cents = mantissa / divisor;
        if ((mantissa % divisor) * 2 >= divisor)
            ++cents;
    }
    const bool negative = value < 0 && cents != 0;
    // The format groups digits even where the locale's own numbers do not (C).
    QLocale grouping = locale;
    grouping.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    const QString integerPart = grouping.toString(static_cast<qlonglong>(cents / 100));
    const QString decimals = QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
    return (negative ? locale.negativeSign() : QString()) + integerPart + locale.decimalPoint() +
           decimals;
}

} // namespace veska::catalogue
