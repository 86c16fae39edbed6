#pragma once
// catalogue/settings: the shop's settings files in the working directory: the database alias,
// the connection profiles, the price mode and the scale-label format, read by these text rules.
//
// The settings files' text rules: 8-bit text in the system code page (Windows-1252), no
// byte-order-mark detection, a line ends at a line feed, carriage returns are not part of
// a line, a byte 26 ends the text, and lines past the end read as empty text.
// Failures are veska::InOutError with the operating system's code in the classic form:
// 2 "File not found", 3 "Path not found", 4 "Too many open files", 5 "File access denied"
// (also for a directory, a FIFO or a device), 101 "Disk write error" (disk full), otherwise
// "I/O error <errno>: <description>"; the error names the file.

#include "core/Errors.h"

#include <QByteArray>
#include <QString>

namespace veska::catalogue {

// The error raised for an errno value of a failed operation on that file.
[[noreturn]] void raiseInOutError(int errnoValue, const QString& fileName,
                                  const QString& reason = {});

// Whether a file (not a directory) of that path exists.
bool isExistingFile(const QString& path);

// The first bytes of a settings file. It is opened without blocking and must be a regular
// file (a link to one is fine): a FIFO would hold the program until some writer came, a
// device may never end. Raises InOutError naming the file otherwise.
struct FileStart {
    QByteArray bytes;      // at most byteLimit bytes
    bool cutShort = false; // the file goes on past byteLimit
};
FileStart readFileStart(const QString& path, qsizetype byteLimit);

// Raises InOutError for a settings file longer than its format allows.
[[noreturn]] void raiseFileTooLarge(const QString& path, qsizetype byteLimit);

// The classic text of a file error, and the reason where there is one:
// "File access denied (não é um arquivo comum)".
QString errorWithReason(const InOutError& error);

// The activity-log line of a file error: the file, the classic text, and the reason.
QString fileErrorLine(const InOutError& error);

class TextFileReader {
public:
    // Reads at most byteLimit bytes of the file (readFileStart); what goes on past that is
    // not read, and cutShort() says so.
    TextFileReader(const QString& path, qsizetype byteLimit);

    // The next line, or empty text past the end.
    QString readLine();
    // Whether every line has been read.
    bool atEnd() const { return position_ >= text_.size(); }
    // Whether the text went on past the byte limit.
    bool cutShort() const { return cutShort_; }

private:
    QByteArray text_;
    qsizetype position_ = 0;
    bool cutShort_ = false;
};

} // namespace veska::catalogue
