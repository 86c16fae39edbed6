#pragma once
// Recording stand-ins for the window's parts: each change goes to the journal, and the
// state they hold answers the services' questions as the real controls would.

#include "Journal.h"
#include "core/Notices.h"
#include "terminal/TerminalViews.h"

namespace veska::terminal::test {

class RecordingLog : public ActivityLog {
public:
    void appendLine(const QString& line) override {
        lines.append(line);
        record(QStringLiteral("log: ") + line);
    }
    QStringList lines;
};

class RecordingFailures : public FailureReports {
public:
    void report(const QString& message) override {
        reported.append(message);
        record(QStringLiteral("failure: ") + message);
    }
    QStringList reported;
};

class RecordingNotices : public Notices {
public:
    void showNotice(const QString& text) override {
        shown.append(text);
        record(QStringLiteral("notice: ") + text);
    }
    QStringList shown;
};

class RecordingServerView : public ServerControlView {
public:
    QString startButtonCaption() const override { return caption; }
    void setStartButtonCaption(const QString& text) override {
        caption = text;
        record(QStringLiteral("caption ") + text);
    }
    void setMonitorButtonColor(unsigned rgb) override {
        color = rgb;
        record(QStringLiteral("color %1").arg(rgb, 6, 16, QLatin1Char('0')));
    }
    void setMessagesButtonEnabled(bool enabled) override {
        messagesEnabled = enabled;
        record(enabled ? QStringLiteral("messages on") : QStringLiteral("messages off"));
    }
    void setRefreshTimerActive(bool active) override {
        refreshTimer = active;
        record(active ? QStringLiteral("Timer3Seg on") : QStringLiteral("Timer3Seg off"));
    }
    void setPriceTimerActive(bool active) override {
        priceTimer = active;
        record(active ? QStringLiteral("Timer100ms on") : QStringLiteral("Timer100ms off"));
    }
    void clearTerminalList() override { record(QStringLiteral("clear list")); }
    void armHideTimer() override { record(QStringLiteral("arm Timer3")); }

    QString caption = QStringLiteral("Iniciar");
    unsigned color = 0;
    bool messagesEnabled = true;
    bool refreshTimer = false;
    bool priceTimer = false;
};

class RecordingListView : public TerminalListView {
public:
    void clearEntries() override {
        entries.clear();
        selected = -1;
        record(QStringLiteral("list clear"));
    }
    void appendEntry(const QString& text) override {
        entries.append(text);
        record(QStringLiteral("list add ") + text);
    }
    void selectEntry(int index) override {
        selected = index;
        record(QStringLiteral("list select %1").arg(index));
    }
    int selectedIndex() const override { return selected; }
    QString selectedText() const override {
        return selected >= 0 && selected < entries.size() ? entries[selected] : QString();
    }

    QStringList entries;
    int selected = -1;
};

class FormView : public MessageFormView {
public:
    QString line1() const override { return first; }
    QString line2() const override { return second; }
    QString displayTime() const override { return time; }

    // The message page's initial texts.
    QString first = QStringLiteral("VESKA ");
    QString second = QStringLiteral("INFORMATICA");
    QString time = QStringLiteral("4");
};

class Presence : public WindowPresence {
public:
    bool isMainWindowShown() const override { return shown; }
    bool shown = true;
};

} // namespace veska::terminal::test
