#include "terminal/DecimalNumber.h"

namespace veska::terminal {
namespace {

// Exponents beyond these hold no price a double can carry: larger is rejected, smaller is 0.
constexpr long kLargestExponent = 400;

bool isSeparator(QChar ch, QChar regional) {
    return ch == u',' || ch == u'.' || ch == regional;
}

} // namespace

std::optional<DecimalNumber> parseDecimalNumber(QStringView text, QChar decimalSeparator) {
    DecimalNumber number;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        number.negative = text[i] == u'-';
        ++i;
    }
    long integerDigits = 0;
    bool seenSeparator = false;
    for (; i < n; ++i) {
        const QChar ch = text[i];
        if (ch >= u'0' && ch <= u'9') {
            number.digits.push_back(static_cast<char>(ch.unicode()));
            if (!seenSeparator)
                ++integerDigits;
        } else if (!seenSeparator && isSeparator(ch, decimalSeparator)) {
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (number.digits.empty())
        return std::nullopt;
    long exponent = 0;
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'-' || text[i] == u'+')) {
            negativeExponent = text[i] == u'-';
            ++i;
        }
        if (i == n)
            return std::nullopt;
        for (; i < n; ++i) {
            if (text[i] < u'0' || text[i] > u'9')
                return std::nullopt;
            exponent = exponent * 10 + (text[i].unicode() - u'0');
            if (exponent > 10 * kLargestExponent)
                exponent = 10 * kLargestExponent; // only its size matters from here
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != n || exponent > kLargestExponent)
        return std::nullopt;
    number.pointPosition = integerDigits + exponent;
    return number;
}

} // namespace veska::terminal
