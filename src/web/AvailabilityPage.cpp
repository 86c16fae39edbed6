#include "web/AvailabilityPage.h"

namespace veska::web {
namespace {

constexpr char kHead[] = R"PAGE(<!DOCTYPE html>
<html lang="pt-BR">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Disponibilidade dos terminais — Consulta Veska</title>
<style>
body { font-family: sans-serif; margin: 1em; color: #000; background: #fff; }
nav { margin-bottom: 1em; display: flex; gap: 1em; align-items: center; }
nav button { font-size: 1em; padding: .5em 1.2em; }
h1 { font-size: 1.2em; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #888; padding: .35em .5em; text-align: left; vertical-align: top; }
th { background: #e8e8e8; }
td.n { text-align: right; white-space: nowrap; }
@page { size: A4; margin: 15mm; }
@media print {
  nav { display: none; }
  body { margin: 0; font-size: 10.5pt; }
  th { background: none; }
  tr { break-inside: avoid; }
}
</style>
</head>
<body>
<nav><button type="button" id="imprimir" onclick="window.print()">Imprimir</button>
<a href="/">Voltar ao console</a></nav>
)PAGE";

void append(std::string& html, const char* open, const QString& text, const char* close) {
    html += open;
    html += text.toHtmlEscaped().toStdString();
    html += close;
}

} // namespace

std::string availabilityPage(const journal::ReportTable& table) {
    std::string html = kHead;
    append(html, "<h1>", table.title, "</h1>\n<table><thead><tr>");
    for (const QString& header : table.headers)
        append(html, "<th>", header, "</th>");
    html += "</tr></thead>\n<tbody>\n";
    for (const QStringList& row : table.rows) {
        html += "<tr>";
        // The address and the interruptions are text, the minutes and the share figures.
        for (qsizetype column = 0; column < row.size(); ++column)
            append(html, column == 0 || column + 1 == row.size() ? "<td>" : "<td class=\"n\">",
                   row[column], "</td>");
        html += "</tr>\n";
    }
    html += "</tbody></table>\n";
    for (const QString& note : table.notes)
        append(html, "<p>", note, "</p>\n");
    html += "</body>\n</html>\n";
    return html;
}

} // namespace veska::web
