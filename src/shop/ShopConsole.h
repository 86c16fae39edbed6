#pragma once
// The shop's web console as gerencia.conf asks for it: served on web_listen (ADDRESS:PORT)
// with the password whose hash is web_password, and not at all without web_listen. Without
// a hash it does not start, and says so: there is no console without a password. Only the
// addresses of web_allow may use it (every one without the key). With web_certificate and
// web_key (PEM files) it is served over HTTPS only. Settings
// applied again (SIGHUP) restart it only when its keys changed.

#include "core/Notices.h"
#include "journal/ManagementSettings.h"
#include "web/ConsoleActions.h"
#include "web/ConsoleSnapshot.h"

#include <memory>
#include <optional>

namespace veska::web {
class WebConsole;
}

namespace veska::shop {

class ShopConsole {
public:
    ShopConsole(ActivityLog& log, web::ConsoleActions& actions);
    ~ShopConsole();

    void apply(const journal::ManagementSettings& settings);
    bool serving() const { return console_ != nullptr; }
    // What the console shows from now on.
    void publish(web::ConsoleSnapshot snapshot) { board_.publish(std::move(snapshot)); }

private:
    void start(const journal::WebConsoleKeys& keys);

    ActivityLog& log_;
    web::ConsoleActions& actions_;
    std::optional<journal::WebConsoleKeys> keys_; // as last applied
    web::SnapshotBoard board_;
    std::unique_ptr<web::WebConsole> console_;
};

} // namespace veska::shop
