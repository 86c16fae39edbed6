#include "shop/ShopConsole.h"

#include "web/WebConsole.h"

#include <arpa/inet.h>
#include <stdexcept>

namespace veska::shop {

ShopConsole::ShopConsole(ActivityLog& log, web::ConsoleActions& actions)
    : log_(log), actions_(actions) {}

ShopConsole::~ShopConsole() = default;

void ShopConsole::apply(const journal::ManagementSettings& settings) {
    if (applied_ && settings.webListen == listen_ && settings.webPassword == passwordHash_ &&
        settings.webAllow == allow_ && settings.webCertificate == certificate_ &&
        settings.webKey == key_)
        return;
    applied_ = true;
    listen_ = settings.webListen;
    passwordHash_ = settings.webPassword;
    allow_ = settings.webAllow;
    certificate_ = settings.webCertificate;
    key_ = settings.webKey;
    if (console_) {
        console_.reset();
        log_.appendLine(QStringLiteral("Console web encerrada."));
    }
    if (!listen_.isEmpty())
        start();
}

void ShopConsole::start() {
    const QString prefix = QStringLiteral("Console web não iniciada: ");
    if (passwordHash_.isEmpty()) {
        log_.appendLine(prefix + QStringLiteral("falta web_password em gerencia.conf (o hash "
                                                "vem de veska-passwd)."));
        return;
    }
    const qsizetype colon = listen_.lastIndexOf(QLatin1Char(':'));
    bool portRead = false;
    const int port = colon > 0 ? listen_.mid(colon + 1).toInt(&portRead) : 0;
    const std::string host = listen_.left(colon).toStdString();
    in_addr parsed{};
    if (!portRead || port < 1 || port > 65535 || ::inet_pton(AF_INET, host.c_str(), &parsed) != 1) {
        log_.appendLine(prefix + QStringLiteral("web_listen em gerencia.conf deve ser "
                                                "ENDEREÇO:PORTA, como 192.168.10.5:8080 (é %1).")
                                     .arg(listen_));
        return;
    }
    std::optional<web::TlsContext> tls;
    if (!certificate_.isEmpty() || !key_.isEmpty()) {
        std::string reason = "web_certificate e web_key vão juntos em gerencia.conf";
        if (!certificate_.isEmpty() && !key_.isEmpty())
            tls = web::TlsContext::load(certificate_.toStdString(), key_.toStdString(), &reason);
        if (!tls) {
            log_.appendLine(prefix + QString::fromStdString(reason) + QLatin1Char('.'));
            return;
        }
    }
    const bool secure = tls.has_value();
    std::unique_ptr<web::WebConsole> console;
    try {
        console = std::make_unique<web::WebConsole>(
            web::WebConsoleSettings{host, port, passwordHash_.toUtf8(), allow_, QStringLiteral("."),
                                    std::move(tls), web::ConnectionLimits{}},
            board_, actions_);
    } catch (const std::invalid_argument& error) {
        log_.appendLine(prefix + QString::fromStdString(error.what()) +
                        QStringLiteral(" não é um endereço nem uma rede (como 192.168.10.0/24)."));
        return;
    }
    std::string reason;
    if (!console->start(&reason)) {
        log_.appendLine(
            prefix + QStringLiteral("%1: %2").arg(listen_, QString::fromLocal8Bit(reason.c_str())));
        return;
    }
    console_ = std::move(console);
    log_.appendLine(QStringLiteral("Console web em %1://%2/")
                        .arg(secure ? QStringLiteral("https") : QStringLiteral("http"), listen_));
}

} // namespace veska::shop
