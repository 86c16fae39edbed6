#pragma once
// How the console answers: JSON, a refusal with its reason as {"error": "..."}, and a page
// of its own.

#include <QJsonDocument>
#include <string_view>

namespace httplib {
struct Response;
}

namespace veska::web {

void sendJson(httplib::Response& response, const QJsonDocument& document);
void refuse(httplib::Response& response, int status, const char* reason);
// A page of the console's own: its scripts and styles are in it, nothing from elsewhere.
void sendPage(httplib::Response& response, std::string_view html);

} // namespace veska::web
