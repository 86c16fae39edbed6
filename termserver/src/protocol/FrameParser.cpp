#include "protocol/FrameParser.h"

#include "protocol/Limits.h"

namespace termserver::protocol {

const char* describe(FrameError error) {
    switch (error) {
    case FrameError::None:
        return "no error";
    case FrameError::TooLong:
        return "frame too long";
    case FrameError::BadCommand:
        return "bad command";
    case FrameError::ControlCharacter:
        return "control character in field";
    case FrameError::TooManyFields:
        return "too many fields";
    case FrameError::StrayCarriageReturn:
        return "carriage return without line feed";
    }
    return "unknown error";
}

void FrameParser::reset() {
    state_ = State::Command;
    length_ = 0;
    frame_.command.clear();
    frame_.fields.clear();
    error_ = FrameError::None;
}

Frame FrameParser::takeFrame() {
    Frame taken = std::move(frame_);
    reset();
    return taken;
}

FrameParser::Result FrameParser::fail(FrameError error) {
    state_ = State::Failed;
    error_ = error;
    return Result::Bad;
}

std::pair<FrameParser::Result, const char*> FrameParser::parse(const char* begin, const char* end) {
    if (state_ == State::Failed)
        return {Result::Bad, begin};
    if (state_ == State::Done)
        reset();
    while (begin != end) {
        const Result result = consume(static_cast<unsigned char>(*begin++));
        if (result != Result::NeedMore)
            return {result, begin};
    }
    return {Result::NeedMore, begin};
}

FrameParser::Result FrameParser::consume(unsigned char byte) {
    if (++length_ > kMaxFrameBytes)
        return fail(FrameError::TooLong);
    constexpr unsigned char kTab = 0x09, kLineFeed = 0x0A, kCarriageReturn = 0x0D;

    if (byte == kLineFeed && state_ != State::CarriageReturn) {
        if (frame_.command.empty())
            return fail(FrameError::BadCommand);
        state_ = State::Done;
        return Result::Good;
    }
    switch (state_) {
    case State::CarriageReturn:
        if (byte != kLineFeed)
            return fail(FrameError::StrayCarriageReturn);
        state_ = State::Done;
        return Result::Good;
    case State::Command:
        if (byte >= 'A' && byte <= 'Z') {
            if (frame_.command.size() == kMaxCommandBytes)
                return fail(FrameError::BadCommand);
            frame_.command.push_back(static_cast<char>(byte));
            return Result::NeedMore;
        }
        if (frame_.command.empty())
            return fail(FrameError::BadCommand);
        if (byte == kCarriageReturn) {
            state_ = State::CarriageReturn;
            return Result::NeedMore;
        }
        if (byte != kTab)
            return fail(FrameError::BadCommand);
        frame_.fields.emplace_back();
        state_ = State::Field;
        return Result::NeedMore;
    case State::Field:
        if (byte == kTab) {
            if (frame_.fields.size() == kMaxFields)
                return fail(FrameError::TooManyFields);
            frame_.fields.emplace_back();
            return Result::NeedMore;
        }
        if (byte == kCarriageReturn) {
            state_ = State::CarriageReturn;
            return Result::NeedMore;
        }
        if (byte < 0x20 || byte == 0x7F)
            return fail(FrameError::ControlCharacter);
        frame_.fields.back().push_back(static_cast<char>(byte));
        return Result::NeedMore;
    case State::Done:
    case State::Failed:
        break;
    }
    return fail(FrameError::BadCommand);
}

} // namespace termserver::protocol
