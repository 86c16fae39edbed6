#pragma once
// The shop served without a screen: the terminal services of ShopServer driven by plain
// timers, with the log on standard output. It starts the terminal server as soon as the
// settings are read and the database is reached (or has failed, as the log then says). A
// refused start (the port is taken, termserver.conf has a fault) is said in the log and
// tried again every few seconds, so the service serves as soon as it can.
//
// A database that the embedded engine finds damaged ends the service (exit code 1): only a
// new process can attach it again once it is restored.
//
// It serves as the desktop program serves with its window hidden into the notification
// area: scans are answered and not logged, the price mode is the saved one. The shop's
// record (the scan journal, the notices of terminals gone away) is kept as gerencia.conf
// says, as the desktop program keeps it.

#include "catalogue/settings/PriceMode.h"
#include "service/SystemdNotifier.h"
#include "shop/ShopServer.h"
#include "terminal/TerminalViews.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <memory>

class QSocketNotifier;

namespace veska::service {

class ServiceLog;

class HeadlessShop : public QObject,
                     public terminal::ServerControlView,
                     public terminal::TerminalListView,
                     public terminal::MessageFormView,
                     public terminal::WindowPresence {
    Q_OBJECT
public:
    HeadlessShop(const terminal::TermServerApi& api, ServiceLog& log, QObject* parent = nullptr);
    ~HeadlessShop() override;

    // Reads the settings, reaches the database, starts the terminal server.
    void start();
    bool serving() const;
    // SIGHUP: gerencia.conf is read again (its problems are log lines).
    void reloadManagementSettings();

    static constexpr std::chrono::seconds retryInterval{5};
    // The exit code after the embedded engine found the database damaged.
    static constexpr int kEngineFailureExit = 1;

    // ServerControlView: the state is the caption, as on the desktop; the buttons are none.
    QString startButtonCaption() const override { return caption_; }
    void setStartButtonCaption(const QString& caption) override;
    void setMonitorButtonColor(unsigned) override {}
    void setMessagesButtonEnabled(bool) override {}
    void setRefreshTimerActive(bool active) override;
    void setPriceTimerActive(bool active) override;
    void clearTerminalList() override { entries_.clear(); }
    void armHideTimer() override {}

    // TerminalListView: the connected terminals; nobody picks one.
    void clearEntries() override { entries_.clear(); }
    void appendEntry(const QString& text) override { entries_.append(text); }
    void selectEntry(int) override {}
    int selectedIndex() const override { return -1; }
    QString selectedText() const override { return {}; }

    // MessageFormView: nobody types a message here.
    QString line1() const override { return {}; }
    QString line2() const override { return {}; }
    QString displayTime() const override { return {}; }

    // WindowPresence: no window, as if hidden into the notification area.
    bool isMainWindowShown() const override { return false; }

private:
    void readSettings();
    void startServer();
    void servePrices();
    // Runs a step; a failure is one log line and ends that step only.
    template <class Work> void guarded(Work&& work);

    ServiceLog& log_;
    catalogue::PriceMode priceMode_ = catalogue::PriceMode::Wholesale;
    std::unique_ptr<shop::ShopServer> shop_;
    QString caption_;
    QStringList entries_;
    QTimer priceTimer_;
    QTimer refreshTimer_;
    QTimer retryTimer_;
    QSocketNotifier* scanNotifier_ = nullptr;
    SystemdNotifier systemd_;
    bool announcedReady_ = false;
};

} // namespace veska::service
