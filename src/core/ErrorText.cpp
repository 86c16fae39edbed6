#include "core/ErrorText.h"

namespace veska {

QString errorDialogText(const QString& message) {
    if (message.isEmpty() || message.back() <= QLatin1Char('.'))
        return message;
    return message + QLatin1Char('.');
}

} // namespace veska
