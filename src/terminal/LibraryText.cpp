#include "terminal/LibraryText.h"

#include "core/CodePage.h"

#include <cstring>

namespace veska::terminal {

QString libraryText(const char* text) {
    if (!text)
        return {};
    return codepage::toUnicode(QByteArrayView(text, static_cast<qsizetype>(std::strlen(text))));
}

QString dottedAddress(const TermServerApi& api, std::uint32_t address) {
    constexpr std::size_t kMaxDottedLength = 255;
    const char* dotted = api.Inet_NtoA(address);
    if (!dotted)
        return {};
    return codepage::toUnicode(
        QByteArrayView(dotted, static_cast<qsizetype>(strnlen(dotted, kMaxDottedLength))));
}

QString terminalName(const QString& dotted, std::uint16_t socket) {
    return dotted + QLatin1Char(':') + QString::number(socket);
}

} // namespace veska::terminal
