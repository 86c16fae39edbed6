#include "protocol/Messages.h"

#include "protocol/CodePage.h"
#include "protocol/Limits.h"

#include <algorithm>

namespace termserver::protocol {
namespace {

std::string line(std::string_view command, std::initializer_list<std::string_view> fields) {
    std::string frame(command);
    for (const std::string_view field : fields) {
        frame.push_back('\t');
        frame.append(field);
    }
    frame.push_back('\n');
    return frame;
}

bool isControl(char32_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

} // namespace

std::string displayLine(std::u32string_view text) {
    std::u32string fitted(text.substr(0, kDisplayColumns));
    std::replace_if(fitted.begin(), fitted.end(), isControl, U' ');
    return codepage::toWindows1252(fitted);
}

std::string helloFrame(std::string_view serverVersion) {
    return line("HELLO", {std::to_string(kVersion), serverVersion});
}

std::string priceFrame(std::string_view barcode, std::string_view line1, std::string_view line2) {
    return line("PRICE", {barcode, line1, line2});
}

std::string notFoundFrame(std::string_view barcode) {
    return line("NOTFOUND", {barcode, kNotFoundLine1, kNotFoundLine2});
}
std::string busyFrame(std::string_view barcode) {
    return line("BUSY", {barcode, kBusyLine1, kBusyLine2});
}
std::string retryFrame(std::string_view barcode) {
    return line("RETRY", {barcode, kRetryLine1, kRetryLine2});
}

std::string refusedFrame(Refusal reason) {
    switch (reason) {
    case Refusal::ServerFull:
        return line("REFUSED", {kServerFullLine1, kRefusedLine2});
    case Refusal::AddressFull:
        return line("REFUSED", {kAddressFullLine1, kRefusedLine2});
    case Refusal::NotAllowed:
        return line("REFUSED", {kNotAllowedLine1, kNotAllowedLine2});
    }
    return line("REFUSED", {kServerFullLine1, kRefusedLine2});
}

std::string messageFrame(std::string_view line1, std::string_view line2, int displaySeconds) {
    const int seconds = std::clamp(displaySeconds, 0, kMaxDisplaySeconds);
    return line("MSG", {line1, line2, std::to_string(seconds)});
}

std::string pongFrame() {
    return line("PONG", {});
}
std::string errorFrame(std::string_view reason) {
    return line("ERROR", {reason});
}

bool isValidBarcode(std::string_view barcode) {
    if (barcode.empty() || barcode.size() > kMaxBarcodeBytes)
        return false;
    return std::all_of(barcode.begin(), barcode.end(),
                       [](char byte) { return byte >= 0x20 && byte <= 0x7E; });
}

TerminalRequest readTerminalFrame(Frame frame) {
    if (frame.command == "SCAN") {
        if (frame.fields.size() != 1)
            return InvalidRequest{"SCAN takes one field"};
        if (!isValidBarcode(frame.fields.front()))
            return InvalidRequest{"bad barcode"};
        return ScanRequest{std::move(frame.fields.front())};
    }
    if (frame.command == "PING") {
        if (!frame.fields.empty())
            return InvalidRequest{"PING takes no field"};
        return PingRequest{};
    }
    return InvalidRequest{"unknown command"};
}

} // namespace termserver::protocol
