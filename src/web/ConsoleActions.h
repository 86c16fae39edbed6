#pragma once
// What the web console asks of the service. Called on a console thread; the service does it
// on its own thread, between its ticks, and the console thread waits for the answer (never
// the other way round). Nothing when the service did not answer in time.

#include <QString>
#include <optional>

namespace veska::web {

struct LookupAnswer {
    QString line1, line2; // as the terminal's display would show them
    bool found = false;
};

struct ConsoleMessage {
    QString address; // dotted
    int socket = 0;
    QString line1, line2; // at most 20 characters each
    int seconds = 0;
};

class ConsoleActions {
public:
    virtual ~ConsoleActions() = default;
    // What a terminal scanning the code would be answered; no terminal is answered.
    virtual std::optional<LookupAnswer> lookUp(const QString& code) = 0;
    // Sends the two lines to the terminal's display; false when not done in time.
    virtual bool sendMessage(const ConsoleMessage& message) = 0;
};

} // namespace veska::web
