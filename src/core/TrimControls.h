#pragma once
// The classic Trim of settings and operator text: drops leading and trailing characters
// with codes up to 32 (blanks and control characters), not only Unicode white space.

#include <QString>

namespace veska {

QString trimControls(QStringView text);

} // namespace veska
