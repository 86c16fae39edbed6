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
    const std::u16string line1 = form_.line1().toStdU16String();
    const std::u16string line2 = form_.line2().toStdU16String();
    if (list_.selectedIndex() < 0) {
        notices_.showNotice(QStringLiteral("Selecione um Terminal"));
        return;
    }

    const QString entry = list_.selectedText();
    const qsizetype colon = entry.lastIndexOf(QLatin1Char(':'));
    const QString addressPart = colon < 0 ? QString() : entry.left(colon);
    const QString socketPart = colon < 0 ? entry : entry.mid(colon + 1);
    const QByteArray address8 = codepage::fromUnicode(addressPart);
    const auto socket = static_cast<std::uint16_t>(parseInteger(socketPart));
    const std::int32_t displayTime = parseInteger(form_.displayTime());

    const std::uint32_t address = api_.Inet_Addr(address8.constData());
    api_.bSendDisplayMsg(address, lineOrNull(line1), lineOrNull(line2), displayTime);
    log_.appendLine(terminalName(codepage::toUnicode(address8), socket) +
                    QStringLiteral(" -> Mensagem enviada ao Terminal"));
}

} // namespace veska::terminal
