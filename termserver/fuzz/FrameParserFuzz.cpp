// libFuzzer target of the frame parser and the terminal-frame reader: arbitrary bytes, fed
// in chunks whose sizes come from the input itself. Checks that no frame exceeds the limits
// and that no handed-over barcode carries a control character.

#include "protocol/FrameParser.h"
#include "protocol/Limits.h"
#include "protocol/Messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

void checkFrame(const termserver::protocol::Frame& frame) {
    using namespace termserver::protocol;
    check(!frame.command.empty() && frame.command.size() <= kMaxCommandBytes);
    check(frame.fields.size() <= kMaxFields);
    std::size_t total = frame.command.size();
    for (const auto& field : frame.fields) {
        total += 1 + field.size();
        for (const char byte : field) {
            const auto value = static_cast<unsigned char>(byte);
            check(value >= 0x20 && value != 0x7F);
        }
    }
    check(total < kMaxFrameBytes);
    const auto request = readTerminalFrame(frame);
    if (const auto* scan = std::get_if<ScanRequest>(&request)) {
        check(!scan->barcode.empty() && scan->barcode.size() <= kMaxBarcodeBytes);
        for (const char byte : scan->barcode)
            check(byte >= 0x20 && byte <= 0x7E);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using termserver::protocol::FrameParser;
    if (size == 0)
        return 0;
    // The first byte sets the chunk size, so frames get split at every possible point.
    const std::size_t chunk = 1 + data[0] % 17;
    const char* begin = reinterpret_cast<const char*>(data + 1);
    const char* const end = reinterpret_cast<const char*>(data + size);
    FrameParser parser;
    while (begin != end) {
        const char* chunkEnd = begin + std::min<std::size_t>(chunk, end - begin);
        while (begin != chunkEnd) {
            const auto [result, next] = parser.parse(begin, chunkEnd);
            check(next > begin || result == FrameParser::Result::Bad);
            begin = next;
            if (result == FrameParser::Result::Good)
                checkFrame(parser.takeFrame());
            else if (result == FrameParser::Result::Bad) {
                parser.reset();
                begin = chunkEnd; // a server drops the connection; here, go on fuzzing
            }
        }
    }
    return 0;
}
