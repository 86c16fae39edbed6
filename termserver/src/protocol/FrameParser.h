#pragma once
// Incremental parser of protocol frames: a command word of capital letters, up to four
// TAB-separated fields of printable bytes, ended by LF (a CR right before the LF is
// allowed). It is fed whatever bytes arrive and says good, bad or need-more.

#include <string>
#include <utility>
#include <vector>

namespace termserver::protocol {

struct Frame {
    std::string command;
    std::vector<std::string> fields;
};

enum class FrameError {
    None,
    TooLong,          // no line feed within the frame limit
    BadCommand,       // empty command or a byte other than A-Z in it
    ControlCharacter, // a control byte (or DEL) inside a field
    TooManyFields,
    StrayCarriageReturn, // CR not followed by LF
};

const char* describe(FrameError error);

class FrameParser {
public:
    enum class Result { Good, Bad, NeedMore };

    // Consumes bytes from [begin, end) until a frame is complete (Good: frame() holds it,
    // the returned pointer is just past its LF), the input is bad (Bad: error() tells why;
    // the parser stays bad until reset()) or the bytes run out (NeedMore).
    std::pair<Result, const char*> parse(const char* begin, const char* end);

    // After Good, the frame just parsed; valid until the next parse() or reset().
    const Frame& frame() const { return frame_; }
    Frame takeFrame();
    FrameError error() const { return error_; }

    // Forgets any partial frame and a previous error; needed after Good or Bad.
    void reset();
    // Bytes of a frame have come, and not yet its end.
    bool midFrame() const {
        return length_ > 0 && state_ != State::Done && state_ != State::Failed;
    }

private:
    enum class State { Command, Field, CarriageReturn, Done, Failed };

    Result fail(FrameError error);
    Result consume(unsigned char byte);

    State state_ = State::Command;
    std::size_t length_ = 0;
    Frame frame_;
    FrameError error_ = FrameError::None;
};

} // namespace termserver::protocol
