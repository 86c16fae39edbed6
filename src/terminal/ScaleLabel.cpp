#include "terminal/ScaleLabel.h"

#include "core/KeyValueLine.h"
#include "core/TrimControls.h"
#include "terminal/DecimalNumber.h"

#include <algorithm>
#include <array>
#include <string>

namespace veska::terminal {
namespace {

constexpr int kLabelLength = 13;

bool isDigit(QChar ch) {
    return ch >= u'0' && ch <= u'9';
}

bool allDigits(QStringView text) {
    for (const QChar ch : text) {
        if (!isDigit(ch))
            return false;
    }
    return !text.isEmpty();
}

// "A-B" with 1 <= A <= B <= 13.
bool parsePositions(const QString& text, int& first, int& last) {
    const QStringList parts = text.split(u'-');
    if (parts.size() != 2)
        return false;
    const QString a = trimControls(parts[0]);
    const QString b = trimControls(parts[1]);
    if (!allDigits(a) || !allDigits(b) || a.size() > 2 || b.size() > 2)
        return false;
    first = a.toInt();
    last = b.toInt();
    return first >= 1 && first <= last && last <= kLabelLength;
}

ScaleLabelFormatReading failure(const QString& problem) {
    return {std::nullopt, problem};
}

// The digits times factor. A digit times a label's value (eleven digits at most) plus the
// carry stays far inside 64 bits.
std::string multiplied(const std::string& digits, std::uint64_t factor) {
    std::string product(digits.size(), '0');
    std::uint64_t carry = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
        const std::uint64_t sum = static_cast<std::uint64_t>(digits[i] - '0') * factor + carry;
        product[i] = static_cast<char>('0' + sum % 10);
        carry = sum / 10;
    }
    if (carry > 0)
        product.insert(0, std::to_string(carry));
    return product;
}

} // namespace

ScaleLabelFormatReading parseScaleLabelFormat(const QStringList& lines) {
    enum Key { Prefix, Code, Value, Kind, KeyCount };
    static const std::array<QString, KeyCount> names = {
        QStringLiteral("prefix"), QStringLiteral("code"), QStringLiteral("value"),
        QStringLiteral("kind")};
    std::array<qsizetype, KeyCount> lineOf{}; // 0: not seen
    ScaleLabelFormat format;
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString where = QStringLiteral("linha %1: ").arg(index + 1);
        const KeyValueLineReading reading = readKeyValueLine(lines[index]);
        if (reading.missingEquals)
            return failure(where + missingEqualsProblem());
        if (!reading.entry)
            continue;
        const QString& name = reading.entry->key;
        const QString& value = reading.entry->value;
        const auto known = std::find(names.begin(), names.end(), name);
        if (known == names.end())
            return failure(where + QStringLiteral("chave desconhecida \"%1\"").arg(name));
        const auto key = static_cast<Key>(known - names.begin());
        if (lineOf[key] != 0)
            return failure(where + QStringLiteral("\"%1\" repetido").arg(name));
        lineOf[key] = index + 1;
        switch (key) {
        case Prefix:
            if (!allDigits(value))
                return failure(where + QStringLiteral("prefix deve ter só dígitos"));
            format.prefix = value;
            break;
        case Code:
            if (!parsePositions(value, format.codeFirst, format.codeLast))
                return failure(where + QStringLiteral("code deve ser de posições de 1 a 13, "
                                                      "como 2-7"));
            break;
        case Value:
            if (!parsePositions(value, format.valueFirst, format.valueLast))
                return failure(where + QStringLiteral("value deve ser de posições de 1 a 13, "
                                                      "como 8-12"));
            break;
        case Kind:
            if (value.compare(u"price", Qt::CaseInsensitive) == 0)
                format.kind = ScaleLabelKind::Price;
            else if (value.compare(u"weight", Qt::CaseInsensitive) == 0)
                format.kind = ScaleLabelKind::Weight;
            else
                return failure(where + QStringLiteral("kind deve ser price ou weight"));
            break;
        case KeyCount:
            break;
        }
    }
    for (int key = 0; key < KeyCount; ++key) {
        if (lineOf[key] == 0)
            return failure(QStringLiteral("falta \"%1\"").arg(names[key]));
    }
    // Both ranges between the prefix and the check digit (position 13), apart.
    const int afterPrefix = static_cast<int>(format.prefix.size()) + 1;
    const auto outside = [&](Key key, int first, int last) {
        if (first >= afterPrefix && last < kLabelLength)
            return QString();
        return QStringLiteral("linha %1: %2 deve ficar entre o prefixo e o dígito verificador "
                              "(posições %3 a 12)")
            .arg(lineOf[key])
            .arg(names[key])
            .arg(afterPrefix);
    };
    for (const QString& problem : {outside(Code, format.codeFirst, format.codeLast),
                                   outside(Value, format.valueFirst, format.valueLast)}) {
        if (!problem.isEmpty())
            return failure(problem);
    }
    if (format.codeLast >= format.valueFirst && format.valueLast >= format.codeFirst) {
        const Key later = lineOf[Code] > lineOf[Value] ? Code : Value;
        const Key earlier = later == Code ? Value : Code;
        return failure(QStringLiteral("linha %1: %2 sobrepõe %3 (linha %4)")
                           .arg(lineOf[later])
                           .arg(names[later], names[earlier])
                           .arg(lineOf[earlier]));
    }
    return {format, QString()};
}

bool isEan13(QStringView code) {
    if (code.size() != kLabelLength || !allDigits(code))
        return false;
    int sum = 0;
    for (int i = 0; i < kLabelLength - 1; ++i)
        sum += (code[i].unicode() - u'0') * (i % 2 == 0 ? 1 : 3);
    return (10 - sum % 10) % 10 == code[kLabelLength - 1].unicode() - u'0';
}

std::optional<ScaleLabel> readScaleLabel(const ScaleLabelFormat& format, QStringView code) {
    if (!code.startsWith(format.prefix) || !isEan13(code))
        return std::nullopt;
    ScaleLabel label;
    label.articleCode =
        code.mid(format.codeFirst - 1, format.codeLast - format.codeFirst + 1).toString();
    for (int position = format.valueFirst; position <= format.valueLast; ++position)
        label.value = label.value * 10 + (code[position - 1].unicode() - u'0');
    return label;
}

QString withoutLeadingZeros(const QString& code) {
    qsizetype zeros = 0;
    while (zeros < code.size() && code[zeros] == u'0')
        ++zeros;
    return code.mid(zeros);
}

std::optional<QString> labelAmountText(ScaleLabelKind kind, std::uint64_t value,
                                       const std::optional<QString>& articlePrice,
                                       QChar decimalSeparator) {
    if (kind == ScaleLabelKind::Price)
        return QStringLiteral("%1E-2").arg(value);
    if (!articlePrice)
        return std::nullopt;
    const auto price = parseDecimalNumber(*articlePrice, decimalSeparator);
    if (!price)
        return std::nullopt;
    // price = digits x 10^(point - digit count); times grams, over 1000.
    const std::string product = multiplied(price->digits, value);
    const long exponent = price->pointPosition - static_cast<long>(price->digits.size()) - 3;
    return QStringLiteral("%1%2E%3")
        .arg(price->negative ? QStringLiteral("-") : QString())
        .arg(QLatin1String(product))
        .arg(exponent);
}

} // namespace veska::terminal
