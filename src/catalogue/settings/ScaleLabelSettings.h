#pragma once
// The scale-label format of the shop, in "balanca.conf" in the working directory (beside
// SYS_INFO.INI), read with the settings files' text rules. Reading scale labels is opt-in:
// without the file nothing is read and nothing is said.

#include "terminal/ScaleLabel.h"

#include <QString>

namespace veska::catalogue {

inline const QString scaleLabelFileName = QStringLiteral("balanca.conf");

// Nothing without the file (a directory of that name does not count); otherwise the format,
// or the problem of a file that cannot be read, is too long, or does not parse. Raises
// nothing: a problem only leaves labels off.
terminal::ScaleLabelFormatReading readScaleLabelSettings(const QString& path = scaleLabelFileName);

// The activity-log line for a problem of the file: it names the file and says that labels
// are not read.
QString scaleLabelProblemLine(const QString& problem);

} // namespace veska::catalogue
