#pragma once
// The parts of the main window that the terminal services drive. TFConsulta implements
// them on its controls; tests implement them with recorders. Each call is one visible
// change, so the order of calls is the order the operator sees.

#include <QString>
#include <QStringList>

namespace veska::terminal {

// Side panel and monitoring page: the server state and the three timers.
class ServerControlView {
public:
    virtual ~ServerControlView() = default;
    virtual QString startButtonCaption() const = 0; // BtnIniciar
    virtual void setStartButtonCaption(const QString& caption) = 0;
    virtual void setMonitorButtonColor(unsigned rgb) = 0;    // BtnMonitora font, 0xRRGGBB
    virtual void setMessagesButtonEnabled(bool enabled) = 0; // BtnMensagens
    virtual void setRefreshTimerActive(bool active) = 0;     // Timer3Seg
    virtual void setPriceTimerActive(bool active) = 0;       // Timer100ms
    virtual void clearTerminalList() = 0;                    // ListTerms
    virtual void armHideTimer() = 0;                         // Timer3: Tag 0, then on
};

// The terminal list ListTerms.
class TerminalListView {
public:
    virtual ~TerminalListView() = default;
    virtual void clearEntries() = 0;
    virtual void appendEntry(const QString& text) = 0;
    virtual void selectEntry(int index) = 0;  // -1 selects none
    virtual int selectedIndex() const = 0;    // -1 when none
    virtual QString selectedText() const = 0; // empty when none
};

// The message page: the texts as the operator typed them.
class MessageFormView {
public:
    virtual ~MessageFormView() = default;
    virtual QString line1() const = 0;       // EdtLine1
    virtual QString line2() const = 0;       // EdtLine2
    virtual QString displayTime() const = 0; // EdtTimeEx
};

// Whether the main window is shown (a minimised window counts as shown).
class WindowPresence {
public:
    virtual ~WindowPresence() = default;
    virtual bool isMainWindowShown() const = 0;
};

} // namespace veska::terminal

namespace veska::terminal {

// Where a service reports a failure that the operator must see (the default error dialog),
// without waiting for the operator: the service goes on at once.
class FailureReports {
public:
    virtual ~FailureReports() = default;
    virtual void report(const QString& message) = 0;
};

} // namespace veska::terminal
