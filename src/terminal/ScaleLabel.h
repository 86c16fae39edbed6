#pragma once
// In-store scale labels: the EAN-13 code that the shop's scale prints on a weighed article
// (cheese, meat, bread by the kilo). It starts with the shop's prefix digit(s) and carries,
// at fixed positions (1 to 13, counted from the left), the article's code and a value:
//   kind price:  the price to pay, in cents;
//   kind weight: the weight in grams; the price is the weight times the article's price
//                (per kilo), rounded to the cent, half away from zero.
// Position 13 is the EAN-13 check digit. The format is given as "key = value" lines, with
// "#" starting a comment:
//   prefix = 2
//   code = 2-7
//   value = 8-12
//   kind = price

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace veska::terminal {

enum class ScaleLabelKind { Price, Weight };

struct ScaleLabelFormat {
    QString prefix; // digits
    int codeFirst = 0;
    int codeLast = 0;
    int valueFirst = 0;
    int valueLast = 0;
    ScaleLabelKind kind = ScaleLabelKind::Price;
};

// A format read from text, or what is wrong with it (in Portuguese, for the activity log).
struct ScaleLabelFormatReading {
    std::optional<ScaleLabelFormat> format;
    QString problem; // empty when the format was read
};

// Reads the lines: every key once, the prefix, code and value positions after the prefix
// and before the check digit, code and value not overlapping. Keys and kinds are read
// without regard to case; blanks around keys, values and "-" do not count.
ScaleLabelFormatReading parseScaleLabelFormat(const QStringList& lines);

// Whether the text is thirteen digits whose last is the EAN-13 check digit of the others.
bool isEan13(QStringView code);

struct ScaleLabel {
    QString articleCode; // the digits at the code positions, as printed
    std::uint64_t value = 0;
};

// The label in a scanned code: only thirteen digits that start with the prefix and end
// with a right check digit are labels.
std::optional<ScaleLabel> readScaleLabel(const ScaleLabelFormat& format, QStringView code);

// The code without its leading zeros: "001234" gives "1234", "000" gives "".
QString withoutLeadingZeros(const QString& code);

// The amount a label is answered with, as exact decimal text for priceText (PriceText.h),
// which rounds it to the cent: for a price label the value in cents; for a weight label the
// grams times the article's price (the general text of its price column, read with this
// decimal separator) divided by 1000. Nothing for a weight label whose article has no price,
// or a price that is no decimal number.
std::optional<QString> labelAmountText(ScaleLabelKind kind, std::uint64_t value,
                                       const std::optional<QString>& articlePrice,
                                       QChar decimalSeparator);

} // namespace veska::terminal
