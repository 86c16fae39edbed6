#pragma once
// The system's 8-bit code page, Windows-1252: the text of the settings files, of the
// terminal-server library and of older shop databases. One place converts both ways.

#include <QByteArray>
#include <QString>

namespace veska::codepage {

// Every byte maps to one character; the five bytes that Windows-1252 leaves undefined
// map to the C1 control of the same value, so any byte sequence round-trips.
QString toUnicode(QByteArrayView bytes);
// Characters outside the code page become "?", as the platform's conversion does.
QByteArray fromUnicode(QStringView text);

} // namespace veska::codepage
