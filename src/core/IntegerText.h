#pragma once
// Whole-number conversion of operator and command-line text, with the platform's classic
// rules: leading blanks, one sign, decimal digits or hexadecimal after "$", "x" or "0x",
// the 32-bit signed range, nothing after.

#include <QString>
#include <cstdint>
#include <optional>

namespace veska {

std::optional<std::int32_t> tryParseInteger(QStringView text);

// Throws ConvertError "'<text>' is not a valid integer value".
std::int32_t parseInteger(const QString& text);

QString notAnIntegerMessage(const QString& text);

} // namespace veska
