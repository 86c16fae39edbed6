#pragma once
// EAN-13 barcodes: the check digit of the first twelve digits.

#include <string>

namespace veska::demo {

// The check digit of twelve digits (weights 1, 3, 1, 3, ... from the left).
char ean13CheckDigit(const std::string& twelveDigits);

// Twelve digits followed by their check digit.
std::string ean13(const std::string& twelveDigits);

// Whether the text is thirteen digits with a correct check digit.
bool isValidEan13(const std::string& code);

} // namespace veska::demo
