#pragma once
// The error kinds that reach the default error dialog. Nothing in the system catches them
// below the handler boundary; the message is what the operator reads.

#include <QString>
#include <stdexcept>

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

// A settings file that cannot be opened or read, with the operating system's error code.
class InOutError : public Error {
public:
    InOutError(int code, const QString& message) : Error(message), code_(code) {}
    int code() const { return code_; }
    const char* kind() const override { return "EInOutError"; }

private:
    int code_;
};

// A failure of the database engine, carrying the engine's own message.
class DatabaseError : public Error {
public:
    using Error::Error;
    const char* kind() const override { return "EDatabaseError"; }
};

} // namespace veska
