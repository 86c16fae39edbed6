#pragma once
// Sends a two-line message to the display of the terminal selected in ListTerms
// (BtnMsgSendClick). The entry's text names the terminal: the address before its last ":",
// the socket number after it. The lines go to the library as UTF-16, an empty line as a
// null pointer; the display time is passed as typed, 0 and negative values included.
//
// A socket part or display time that is not a whole number raises veska::ConvertError
// before anything is sent or logged. The library's answer is not looked at: the log says
// "Mensagem enviada ao Terminal" after every call.

#include "core/Notices.h"
#include "terminal/TermServerApi.h"
#include "terminal/TerminalViews.h"

namespace veska::terminal {

// Sends the two lines to the display of the terminal at that dotted address and logs it,
// as the message page does (the web console sends the same way).
void sendDisplayMessage(const TermServerApi& api, ActivityLog& log, const QString& address,
                        std::uint16_t socket, const QString& line1, const QString& line2,
                        std::int32_t displayTime);

class DisplayMessage {
public:
    DisplayMessage(const TermServerApi& api, const TerminalListView& list,
                   const MessageFormView& form, Notices& notices, ActivityLog& log);

    void send();

private:
    const TermServerApi& api_;
    const TerminalListView& list_;
    const MessageFormView& form_;
    Notices& notices_;
    ActivityLog& log_;
};

} // namespace veska::terminal
