#pragma once
// The price mode: wholesale (column preco_venda, saved as "1") or retail (column
// preco_venda_lj, saved as "2"), remembered in "consulta_veska.cfg" in the working
// directory.

#include <QString>
#include <optional>

namespace veska::catalogue {

enum class PriceMode { Wholesale, Retail };

inline const QString priceModeFileName = QStringLiteral("consulta_veska.cfg");

// "preco_venda" or "preco_venda_lj".
QString priceColumn(PriceMode mode);

// The option captions: "Preço Atacado" ("Preço Venda" when the table has no retail
// column) and "Preço Varejo".
QString priceModeCaption(PriceMode mode, bool retailColumnExists);

// The grid's price title before any mode is chosen or restored.
inline const QString initialPriceTitle = QStringLiteral("Preço");

// The saved mode: nullopt when no such file exists (a directory does not count); Retail
// only when the first line is exactly "2". Only the first bytes are read, the rest of a
// long file never is. Raises InOutError, naming the file, when it cannot be read or is no
// regular file (a FIFO, a device).
std::optional<PriceMode> readSavedPriceMode(const QString& path = priceModeFileName);

// The activity-log line after the saved mode could not be read: the mode that stays.
QString priceModeInUseLine(const QString& caption);

// Writes "1" or "2", CR, LF. The bytes go to a new file beside it ("<name>.tmp") that then
// replaces the old one, so a crash or a full disk never leaves a truncated file; a new
// file left by a save that crashed is removed first. Where no new file can be made there
// (a folder the program may not write, as shops set it up for a limited user), the
// existing file is overwritten in place. A symbolic link stays a link: the file it points
// to is written. A file that may not be written, or any other failure, raises InOutError
// ("File access denied", ...).
void savePriceMode(PriceMode mode, const QString& path = priceModeFileName);

} // namespace veska::catalogue
