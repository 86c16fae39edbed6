#include "terminal/DisplayMessage.h"

#include "core/CodePage.h"
#include "core/IntegerText.h"
#include "terminal/LibraryText.h"

#include <string>

namespace veska::terminal {
namespace {

// A display line as the library takes it: null when empty.
const char16_t* lineOrNull(const std::u16string& line) {
    return line.empty() ? nullptr : line.c_str();
}

} // namespace

DisplayMessage::DisplayMessage(const TermServerApi& api, const TerminalListView& list,
                               const MessageFormView& form, Notices& notices, ActivityLog& log)
    : api_(api), list_(list), form_(form), notices_(notices), log_(log) {}

void DisplayMessage::send() {
    if (list_.selectedIndex() < 0) {
        notices_.showNotice(QStringLiteral("Selecione um Terminal"));
        return;
    }

    const QString entry = list_.selectedText();
    const qsizetype colon = entry.lastIndexOf(QLatin1Char(':'));
    const QString addressPart = colon < 0 ? QString() : entry.left(colon);
    const QString socketPart = colon < 0 ? entry : entry.mid(colon + 1);
    const auto socket = static_cast<std::uint16_t>(parseInteger(socketPart));
    const std::int32_t displayTime = parseInteger(form_.displayTime());
    sendDisplayMessage(api_, log_, addressPart, socket, form_.line1(), form_.line2(), displayTime);
}

void sendDisplayMessage(const TermServerApi& api, ActivityLog& log, const QString& address,
                        std::uint16_t socket, const QString& line1, const QString& line2,
                        std::int32_t displayTime) {
    const std::u16string text1 = line1.toStdU16String();
    const std::u16string text2 = line2.toStdU16String();
    const QByteArray address8 = codepage::fromUnicode(address);
    api.bSendDisplayMsg(api.Inet_Addr(address8.constData()), lineOrNull(text1), lineOrNull(text2),
                        displayTime);
    log.appendLine(terminalName(codepage::toUnicode(address8), socket) +
                   QStringLiteral(" -> Mensagem enviada ao Terminal"));
}

} // namespace veska::terminal
