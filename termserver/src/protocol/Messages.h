#pragma once
// The frames of protocol version 2: building the server's frames and reading the
// terminal's. Text fields on the wire are Windows-1252 without control characters. Every
// answer to a scan carries the barcode it answers as its first field.

#include "protocol/FrameParser.h"

#include <string>
#include <string_view>
#include <variant>

namespace termserver::protocol {

// Screens that the server defines itself.
inline constexpr std::string_view kNotFoundLine1 = "PRODUTO NAO";
inline constexpr std::string_view kNotFoundLine2 = "ENCONTRADO";
inline constexpr std::string_view kBusyLine1 = "SERVIDOR OCUPADO";
inline constexpr std::string_view kBusyLine2 = "TENTE NOVAMENTE";
inline constexpr std::string_view kRetryLine1 = "SEM RESPOSTA";
inline constexpr std::string_view kRetryLine2 = "TENTE NOVAMENTE";
inline constexpr std::string_view kRefusedLine2 = "TENTE MAIS TARDE";
inline constexpr std::string_view kServerFullLine1 = "SERVIDOR LOTADO";
inline constexpr std::string_view kAddressFullLine1 = "LIMITE DO ENDERECO";
inline constexpr std::string_view kNotAllowedLine1 = "TERMINAL NAO";
inline constexpr std::string_view kNotAllowedLine2 = "AUTORIZADO";

// Why a connection is refused; each reason has a screen of its own.
enum class Refusal {
    ServerFull,  // every connection the server may hold is taken
    AddressFull, // the sender's address holds as many connections as one address may
    NotAllowed,  // the sender's address is not on the allow-list
};

// Fits Unicode text into one display line: control characters become blanks, characters
// the display lacks become "?", and the line is cut after kDisplayColumns characters.
std::string displayLine(std::u32string_view text);

// Server frames, each a complete line with its LF. Line arguments are already display lines
// (Windows-1252, at most kDisplayColumns bytes, no control bytes); a barcode is one that a
// terminal sent (or empty for a reply that answers no scan).
std::string helloFrame(std::string_view serverVersion);
std::string priceFrame(std::string_view barcode, std::string_view line1, std::string_view line2);
std::string notFoundFrame(std::string_view barcode);
std::string busyFrame(std::string_view barcode);
std::string retryFrame(std::string_view barcode);
std::string refusedFrame(Refusal reason);
std::string messageFrame(std::string_view line1, std::string_view line2, int displaySeconds);
std::string pongFrame();
std::string errorFrame(std::string_view reason);

// What a terminal may send.
struct ScanRequest {
    std::string barcode;
};
struct PingRequest {};
struct InvalidRequest {
    std::string reason;
};
using TerminalRequest = std::variant<ScanRequest, PingRequest, InvalidRequest>;

// A barcode is 1 to kMaxBarcodeBytes printable ASCII bytes (0x20..0x7E).
bool isValidBarcode(std::string_view barcode);
TerminalRequest readTerminalFrame(Frame frame);

} // namespace termserver::protocol
