#include "catalogue/products/KeyBisection.h"

#include <algorithm>

namespace veska::catalogue {
namespace {

constexpr int kBase = 95;    // printable ASCII, blank to tilde
constexpr char kFirst = ' '; // digit 0: the padding blank

int compare(const KeyBisection::Digits& a, const KeyBisection::Digits& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end())   ? -1
           : std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end()) ? 1
                                                                                  : 0;
}

} // namespace

KeyBisection::Digits KeyBisection::digitsOf(const QByteArray& key, int keyLength) {
    // Bytes outside the alphabet are taken to its nearest end, so the digits never lie
    // above the key: a probe made from them is at most the key.
    Digits digits(static_cast<std::size_t>(keyLength), 0);
    for (int i = 0; i < keyLength && i < key.size(); ++i) {
        const int byte = static_cast<unsigned char>(key[i]);
        if (byte < kFirst) {
            std::fill(digits.begin() + i, digits.end(), 0);
            break;
        }
        if (byte >= kFirst + kBase) {
            digits[static_cast<std::size_t>(i)] = kBase - 1;
            continue;
        }
        digits[static_cast<std::size_t>(i)] = byte - kFirst;
    }
    return digits;
}

QByteArray KeyBisection::keyOf(const Digits& digits) {
    QByteArray key;
    for (const int digit : digits)
        key.append(static_cast<char>(kFirst + digit));
    // Trailing blanks are padding to the engine; without them the key is shorter.
    while (key.endsWith(kFirst))
        key.chop(1);
    return key;
}

KeyBisection::Digits KeyBisection::midpoint(const Digits& low, const Digits& high) {
    // (low + high) / 2 in base 95, with one more digit for the sum's carry.
    const std::size_t n = low.size();
    std::vector<int> sum(n + 1, 0);
    int carry = 0;
    for (std::size_t i = n; i-- > 0;) {
        const int s = low[i] + high[i] + carry;
        sum[i + 1] = s % kBase;
        carry = s / kBase;
    }
    sum[0] = carry;
    Digits half(n, 0);
    int remainder = sum[0];
    for (std::size_t i = 0; i < n; ++i) {
        const int value = remainder * kBase + sum[i + 1];
        half[i] = value / 2;
        remainder = value % 2;
    }
    return half;
}

std::optional<QByteArray> KeyBisection::startBefore(int keyLength, int rows,
                                                    const KeysFrom& keysFrom) {
    const int cap = rows + 2;
    // From the empty key: everything before the end key (rows with no code aside).
    if (static_cast<int>(keysFrom(QByteArray(), cap).size()) <= rows + 1)
        return std::nullopt;
    // More than rows + 1 keys lie in [low, end), at most rows + 1 in [high, end); no high
    // yet means above every probe.
    Digits low(static_cast<std::size_t>(keyLength), 0);
    const Digits top(static_cast<std::size_t>(keyLength), kBase - 1);
    std::optional<Digits> high;
    for (int steps = 0; steps < keyLength * 8 + 8; ++steps) {
        const Digits middle = midpoint(low, high ? *high : top);
        if (compare(middle, low) <= 0)
            break; // no probe lies between low and high
        const QByteArray probe = keyOf(middle);
        const std::vector<QByteArray> keys = keysFrom(probe, cap);
        const int found = static_cast<int>(keys.size());
        if (found == rows + 1)
            return probe; // exactly rows + 1 from here
        if (found > rows + 1)
            low = std::max(middle, digitsOf(keys.front(), keyLength)); // none in between
        else
            high = middle;
    }
    return keyOf(low);
}

} // namespace veska::catalogue
