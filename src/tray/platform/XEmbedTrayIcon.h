#pragma once
// A tray icon docked into an XEmbed tray by the program itself (freedesktop System Tray
// protocol: a dock request to the tray manager, which reparents the window into the tray).
// Qt 6.4 decides once per run whether its tray icons are bus items or XEmbed windows; once it
// has chosen the bus, an XEmbed-only tray that replaces the bus host would show nothing. This
// window stands in for the bus item there: the same picture and tip, and the mouse reported
// as Qt reports it from its own XEmbed icon (a press as Trigger, Context or MiddleClick, a
// left double click as DoubleClick).
// The window is not mapped by the program: the tray maps it once it has embedded it (a tray
// that reparents a mapped window unmaps it first, and a GtkSocket then takes the plug for
// unmapped and gives it no width).

#include <QIcon>
#include <QSystemTrayIcon>
#include <QWidget>
#include <cstdint>

namespace veska::platform {

class XEmbedTrayIcon : public QWidget {
    Q_OBJECT
public:
    XEmbedTrayIcon();

    // Asks the tray manager's window (XEmbedTrayOwner()) to embed this icon; false when the
    // program is not on X. The widget is shown once the tray has embedded it.
    bool Dock(uint32_t trayManager);
    // The tray manager it was docked into, or 0.
    uint32_t DockedTo() const { return dockedTo_; }
    void SetIcon(const QIcon& icon);

Q_SIGNALS:
    void Activated(QSystemTrayIcon::ActivationReason reason);

protected:
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QIcon icon_;
    uint32_t dockedTo_ = 0;
};

} // namespace veska::platform
