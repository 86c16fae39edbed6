#include "web/ConsoleAnswers.h"

#include <QJsonObject>
#include <httplib.h>

namespace veska::web {

void sendJson(httplib::Response& response, const QJsonDocument& document) {
    response.set_content(document.toJson(QJsonDocument::Compact).toStdString(),
                         "application/json; charset=utf-8");
}

void refuse(httplib::Response& response, int status, const char* reason) {
    response.status = status;
    sendJson(response,
             QJsonDocument(QJsonObject{{QStringLiteral("error"), QString::fromUtf8(reason)}}));
}

void sendPage(httplib::Response& response, std::string_view html) {
    response.set_header("Content-Security-Policy",
                        "default-src 'self'; script-src 'unsafe-inline'; "
                        "style-src 'unsafe-inline'; frame-ancestors 'none'");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_content(std::string(html), "text/html; charset=utf-8");
}

} // namespace veska::web
