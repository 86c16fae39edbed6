#include "terminal/PriceText.h"

#include "terminal/DecimalNumber.h"

#include <QLocale>
#include <algorithm>
#include <string>

namespace veska::terminal {
namespace {

// Adds one to a string of decimal digits, growing it when every digit carries.
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

QString noPriceText() {
    return QStringLiteral("SEM PREÇO");
}

QChar regionalDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

std::optional<QString> priceText(QStringView generalText, QChar decimalSeparator) {
    const auto number = parseDecimalNumber(generalText, decimalSeparator);
    if (!number)
        return std::nullopt;

    // Whole cents and the digit that decides the rounding, from the decimal digits.
    // Below one, leading zeros put the digits in place; more than three of them could
    // not reach the third decimal anyway.
    const long point = number->pointPosition;
    const auto leadingZeros = static_cast<std::size_t>(std::clamp(-point, 0L, 3L));
    std::string digits(leadingZeros, '0');
    digits += number->digits;
    const auto pointIndex = static_cast<std::size_t>(std::max(point, 0L));
    if (digits.size() < pointIndex + 3)
        digits.append(pointIndex + 3 - digits.size(), '0');
    std::string cents = digits.substr(0, pointIndex + 2);
    if (digits[pointIndex + 2] >= '5')
        incrementDigits(cents);

    std::string whole = cents.substr(0, cents.size() - 2);
    const std::string fraction = cents.substr(cents.size() - 2);
    const auto firstSignificant = whole.find_first_not_of('0');
    whole = firstSignificant == std::string::npos ? "0" : whole.substr(firstSignificant);
    const bool isZero = whole == "0" && fraction == "00";

    QString text = QStringLiteral("R$ ");
    if (number->negative && !isZero)
        text += QLatin1Char('-');
    text += QLatin1String(whole) + decimalSeparator + QLatin1String(fraction);
    return text;
}

} // namespace veska::terminal
