#include "catalogue/settings/ScaleLabelSettings.h"

#include "catalogue/settings/TextFile.h"
#include "core/Errors.h"

namespace veska::catalogue {
namespace {

// A handful of key = value lines; more than this is no label format.
constexpr qsizetype kByteLimit = 64 * 1024;

} // namespace

terminal::ScaleLabelFormatReading readScaleLabelSettings(const QString& path) {
    if (!isExistingFile(path))
        return {};
    try {
        TextFileReader file(path, kByteLimit);
        if (file.cutShort())
            return {std::nullopt, QStringLiteral("arquivo maior que 64 KB")};
        QStringList lines;
        while (!file.atEnd())
            lines.append(file.readLine());
        return terminal::parseScaleLabelFormat(lines);
    } catch (const InOutError& error) {
        return {std::nullopt, errorWithReason(error)};
    }
}

QString scaleLabelProblemLine(const QString& problem) {
    return scaleLabelFileName + QStringLiteral(": ") + problem +
           QStringLiteral(" - etiquetas de balança não serão lidas.");
}

} // namespace veska::catalogue
