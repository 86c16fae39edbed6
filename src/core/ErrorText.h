#pragma once
// The text that the default error dialog shows for a failure's message.

#include <QString>

namespace veska {

// Appends "." unless the message is empty or ends in "." or a character below ".".
QString errorDialogText(const QString& message);

} // namespace veska
