#pragma once
// The last-resort report of a failure that ends the program before any window exists.

#include "core/Errors.h"

#include <QString>

namespace veska::app {

// "Exception <kind> in module <program> at <address>." then, on the next line, the
// failure's message with a full stop. The address is that of the code the failure arose
// in, as the caller knows it: the entry of the function that raised it (C++ exceptions
// carry no address of their own).
QString applicationErrorText(const Error& error, const QString& programFile, const void* address);

// Shows the text in an "Application Error" box with an error icon where a screen is
// available, and always writes it to standard error.
void reportApplicationError(const QString& text);

} // namespace veska::app
