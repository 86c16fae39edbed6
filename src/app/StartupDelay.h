#pragma once
// The start-up delay: the first command-line argument, in whole seconds.

#include <QStringList>
#include <cstdint>

namespace veska::app {

// Milliseconds to sleep before anything else; a global of the program.
extern std::int32_t StartupDelayMs;

// The delay for the given arguments (without the program name): 1 ms without an argument;
// otherwise the first argument, an integer by the platform's rules, times 1000. A negative
// number means no delay; a number of seconds whose milliseconds do not fit the 32-bit signed
// range is held at the largest that does (2147483 s). Throws ConvertError for a first
// argument that is no integer; further arguments are never read.
std::int32_t startupDelayFor(const QStringList& arguments);

} // namespace veska::app
