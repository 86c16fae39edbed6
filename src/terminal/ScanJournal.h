#pragma once
// Where the terminal services record what happened on the sales floor: every answered scan,
// and every terminal that joins or leaves the library's connection table. A journal must
// not delay the caller: it takes the record and returns (and drops it when it cannot keep up).

#include <QString>
#include <cstdint>

namespace veska::terminal {

enum class ScanOutcome : std::uint8_t {
    Found = 1,       // description and price
    ScaleLabel = 2,  // the article of a scale label, with the label's amount
    NotFound = 3,    // "PRODUTO NAO ENCONTRADO"
    Unavailable = 4, // the lookup failed: the try-again screen
    Retry = 5,       // the database had stopped answering: the try-again screen at once
};

struct AnsweredScan {
    std::int64_t utcMilliseconds = 0;
    std::uint32_t address = 0; // host order: 10.0.0.5 is 0x0A000005
    std::uint16_t socket = 0;
    QString code; // as scanned
    ScanOutcome outcome = ScanOutcome::NotFound;
    QString articleCode; // codigo of the article answered; empty without one
    QString priceText;   // the price line answered; empty without one
    std::int64_t serviceMicroseconds = 0;
};

struct TerminalConnection {
    std::int64_t utcMilliseconds = 0;
    std::uint32_t address = 0; // host order
    std::uint16_t socket = 0;
    bool connected = true; // false: it left the table
};

class ScanJournal {
public:
    virtual ~ScanJournal() = default;
    virtual void scanAnswered(AnsweredScan scan) noexcept = 0;
    virtual void terminalConnection(const TerminalConnection& change) noexcept = 0;
};

// Milliseconds since 1970 (UTC) now.
std::int64_t utcMillisecondsNow();

} // namespace veska::terminal
