#pragma once
// The settings files' text rules: 8-bit text in the system code page (Windows-1252), no
// byte-order-mark detection, a line ends at a line feed, carriage returns are not part of
// a line, a byte 26 ends the text, and lines past the end read as empty text.
// Failures are veska::InOutError with the operating system's code in the classic form:
// 2 "File not found", 3 "Path not found", 4 "Too many open files", 5 "File access denied"
// (also for a directory), 101 "Disk write error" (disk full), otherwise
// "I/O error <errno>: <description>".

#include <QByteArray>
#include <QString>

namespace veska::catalogue {

// The error raised for an errno value of a failed file operation.
[[noreturn]] void raiseInOutError(int errnoValue);

// Whether a file (not a directory) of that path exists.
bool isExistingFile(const QString& path);

class TextFileReader {
public:
    // Opens and reads the whole file (settings files are small); raises InOutError.
    explicit TextFileReader(const QString& path);
    // Reads at most byteLimit bytes: a file that does not end sooner (one that is endless,
    // such as a link to a device) reads as its first byteLimit bytes.
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
