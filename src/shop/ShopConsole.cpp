#include "shop/ShopConsole.h"

#include "web/WebConsole.h"

#include <arpa/inet.h>
#include <stdexcept>

namespace veska::shop {

ShopConsole::ShopConsole(ActivityLog& log, web::ConsoleActions& actions)
    : log_(log), actions_(actions) {}

ShopConsole::~ShopConsole() = default;

void ShopConsole::apply(const journal::ManagementSettings& settings) {
    if (keys_ == settings.web)
        return;
    keys_ = settings.web;
    if (console_) {
        console_.reset();
        log_.appendLine(QStringLiteral("Console web encerrada."));
    }
    if (!keys_->listen.isEmpty())
        start(*keys_);
}

void ShopConsole::start(const journal::WebConsoleKeys& keys) {
    const QString prefix = QStringLiteral("Console web não iniciada: ");
    if (keys.password.isEmpty()) {
        log_.appendLine(prefix + QStringLiteral("falta web_password em gerencia.conf (o hash "
                                                "vem de veska-passwd)."));
        return;
    }
    const qsizetype colon = keys.listen.lastIndexOf(QLatin1Char(':'));
    bool portRead = false;
    const int port = colon > 0 ? keys.listen.mid(colon + 1).toInt(&portRead) : 0;
    const std::string host = keys.listen.left(colon).toStdString();
    in_addr parsed{};
    if (!portRead || port < 1 || port > 65535 || ::inet_pton(AF_INET, host.c_str(), &parsed) != 1) {
        log_.appendLine(prefix + QStringLiteral("web_listen em gerencia.conf deve ser "
                                                "ENDEREÇO:PORTA, como 192.168.10.5:8080 (é %1).")
                                     .arg(keys.listen));
        return;
    }
    std::optional<web::TlsContext> tls;
    if (!keys.certificate.isEmpty() || !keys.key.isEmpty()) {
        std::string reason = "web_certificate e web_key vão juntos em gerencia.conf";
        if (!keys.certificate.isEmpty() && !keys.key.isEmpty())
            tls = web::TlsContext::load(keys.certificate.toStdString(), keys.key.toStdString(),
                                        &reason);
        if (!tls) {
            log_.appendLine(prefix + QString::fromStdString(reason) + QLatin1Char('.'));
            return;
        }
    }
    const bool secure = tls.has_value();
    std::unique_ptr<web::WebConsole> console;
    try {
        console = std::make_unique<web::WebConsole>(
            web::WebConsoleSettings{host, port, keys.password.toUtf8(), keys.allow,
                                    QStringLiteral("."), std::move(tls), web::ConnectionLimits{}},
            board_, actions_);
    } catch (const std::invalid_argument& error) {
        log_.appendLine(prefix + QString::fromStdString(error.what()) +
                        QStringLiteral(" não é um endereço nem uma rede (como 192.168.10.0/24)."));
        return;
    }
    std::string reason;
    if (!console->start(&reason)) {
        log_.appendLine(prefix + QStringLiteral("%1: %2").arg(
                                     keys.listen, QString::fromLocal8Bit(reason.c_str())));
        return;
    }
    console_ = std::move(console);
    log_.appendLine(
        QStringLiteral("Console web em %1://%2/")
            .arg(secure ? QStringLiteral("https") : QStringLiteral("http"), keys.listen));
}

} // namespace veska::shop
