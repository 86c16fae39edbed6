#pragma once
// Where to start reading forward so that a given number of rows comes before a key, on an
// index that can only be walked forward (Firebird's indexes are one-way: "order by codigo
// desc" sorts the whole table). Probe keys are bisected between the empty key and the end
// key, each probe counting (up to a cap) the rows from it to the end through the index,
// until the probe has just more than the wanted number of rows after it.
//
// Keys are compared as the engine compares them under a binary collation: byte by byte,
// the shorter padded with blanks. Probes use printable ASCII only (valid in every
// connection character set); a key of length L is a number of L digits in base 95.

#include <QByteArray>
#include <functional>
#include <optional>
#include <vector>

namespace veska::catalogue {

class KeyBisection {
public:
    // The keys from the probe on (probe <= key < end), in order, at most cap of them.
    using KeysFrom = std::function<std::vector<QByteArray>(const QByteArray& probe, int cap)>;

    // A probe P such that more than `rows` keys lie in [P, end) and, as far as the probes
    // can tell, hardly more; nullopt when at most `rows` + 1 keys come before end at all
    // (read from the start of the list then). keyLength is the column's length in bytes.
    static std::optional<QByteArray> startBefore(int keyLength, int rows, const KeysFrom& keysFrom);

    // The digit arithmetic, exposed for its tests.
    using Digits = std::vector<int>; // most significant first, 0..94
    static Digits digitsOf(const QByteArray& key, int keyLength);
    static QByteArray keyOf(const Digits& digits);
    static Digits midpoint(const Digits& low, const Digits& high);
};

} // namespace veska::catalogue
