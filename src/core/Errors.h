#pragma once
// The error kinds that reach the default error dialog. Nothing in the system catches them
// below the handler boundary; the message is what the operator reads.

#include <QString>
#include <stdexcept>
#include <utility>

namespace veska {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), text_(message) {}
    const QString& text() const { return text_; }
    // The name of the error kind, as the last-resort handler names it.
    virtual const char* kind() const { return "Exception"; }

private:
    QString text_;
};

// A text that is not a whole number: "'%s' is not a valid integer value".
class ConvertError : public Error {
public:
    using Error::Error;
    const char* kind() const override { return "EConvertError"; }
};

// A settings file that cannot be opened, read or written, with the operating system's error
// code. The message is the classic text the operator knows ("File access denied"); the
// file's name, and what is wrong with it where the code does not say, go with it for the
// activity log.
class InOutError : public Error {
public:
    InOutError(int code, const QString& message, QString fileName = {}, QString reason = {})
        : Error(message), code_(code), fileName_(std::move(fileName)), reason_(std::move(reason)) {}
    int code() const { return code_; }
    const QString& fileName() const { return fileName_; }
    const QString& reason() const { return reason_; }
    const char* kind() const override { return "EInOutError"; }

private:
    int code_;
    QString fileName_;
    QString reason_;
};

// A failure of the database engine, carrying the engine's own message.
class DatabaseError : public Error {
public:
    using Error::Error;
    const char* kind() const override { return "EDatabaseError"; }
};

} // namespace veska
