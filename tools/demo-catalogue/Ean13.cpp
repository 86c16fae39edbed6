#include "Ean13.h"

#include <algorithm>
#include <cctype>

namespace veska::demo {

char ean13CheckDigit(const std::string& twelveDigits) {
    int sum = 0;
    for (std::size_t i = 0; i < 12 && i < twelveDigits.size(); ++i)
        sum += (twelveDigits[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string ean13(const std::string& twelveDigits) {
    return twelveDigits + ean13CheckDigit(twelveDigits);
}

bool isValidEan13(const std::string& code) {
    return code.size() == 13 &&
           std::all_of(code.begin(), code.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }) &&
           ean13CheckDigit(code.substr(0, 12)) == code[12];
}

} // namespace veska::demo
