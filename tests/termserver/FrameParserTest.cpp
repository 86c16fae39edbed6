// The incremental frame parser: whole frames, frames split at every byte, several frames
// in one read, and every kind of bad input.

#include "protocol/FrameParser.h"

#include "protocol/Limits.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using termserver::protocol::Frame;
using termserver::protocol::FrameError;
using termserver::protocol::FrameParser;
using termserver::protocol::kMaxFrameBytes;

struct Outcome {
    std::vector<Frame> frames;
    FrameError error = FrameError::None;
    bool needMore = false;
};

// Feeds the bytes in chunks of the given size, as reads from a socket would.
Outcome feed(const std::string& bytes, std::size_t chunk) {
    Outcome outcome;
    FrameParser parser;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        const char* begin = bytes.data() + at;
        const char* end = bytes.data() + std::min(bytes.size(), at + chunk);
        while (begin != end) {
            const auto [result, next] = parser.parse(begin, end);
            begin = next;
            if (result == FrameParser::Result::Good) {
                outcome.frames.push_back(parser.takeFrame());
            } else if (result == FrameParser::Result::Bad) {
                outcome.error = parser.error();
                return outcome;
            }
        }
    }
    outcome.needMore = true;
    return outcome;
}

TEST(FrameParser, ReadsCommandAndFieldsWhateverTheChunking) {
    const std::string bytes = "SCAN\t7891234567890\nPING\r\nMSG\tA\t\t4\n";
    for (std::size_t chunk = 1; chunk <= bytes.size(); ++chunk) {
        const auto outcome = feed(bytes, chunk);
        ASSERT_EQ(outcome.error, FrameError::None) << "chunk " << chunk;
        ASSERT_EQ(outcome.frames.size(), 3u) << "chunk " << chunk;
        EXPECT_EQ(outcome.frames[0].command, "SCAN");
        EXPECT_EQ(outcome.frames[0].fields, std::vector<std::string>{"7891234567890"});
        EXPECT_EQ(outcome.frames[1].command, "PING");
        EXPECT_TRUE(outcome.frames[1].fields.empty());
        EXPECT_EQ(outcome.frames[2].fields, (std::vector<std::string>{"A", "", "4"}));
    }
}

TEST(FrameParser, KeepsHighBytesOfTheCodePage) {
    const auto outcome = feed("PRICE\tA\xC7\xDA"
                              "CAR\tR$ 1,00\n",
                              4);
    ASSERT_EQ(outcome.frames.size(), 1u);
    EXPECT_EQ(outcome.frames[0].fields[0], "A\xC7\xDA"
                                           "CAR");
}

TEST(FrameParser, HalfAFrameNeedsMore) {
    const auto outcome = feed("SCAN\t78912", 3);
    EXPECT_TRUE(outcome.needMore);
    EXPECT_TRUE(outcome.frames.empty());
}

TEST(FrameParser, AcceptsAFrameOfExactlyTheLimitAndRefusesOneByteMore) {
    const std::string atLimit = "SCAN\t" + std::string(kMaxFrameBytes - 6, '1') + "\n";
    ASSERT_EQ(atLimit.size(), kMaxFrameBytes);
    EXPECT_EQ(feed(atLimit, 7).frames.size(), 1u);
    const std::string over = "SCAN\t" + std::string(kMaxFrameBytes - 5, '1') + "\n";
    EXPECT_EQ(feed(over, 7).error, FrameError::TooLong);
    // A flood without any line feed is refused once the limit is passed.
    EXPECT_EQ(feed("SCAN\t" + std::string(100000, '7'), 4096).error, FrameError::TooLong);
}

TEST(FrameParser, RefusesBadInput) {
    EXPECT_EQ(feed("\n", 1).error, FrameError::BadCommand);
    EXPECT_EQ(feed("scan\t1\n", 1).error, FrameError::BadCommand);
    EXPECT_EQ(feed("\tX\n", 1).error, FrameError::BadCommand);
    EXPECT_EQ(feed("SC AN\n", 1).error, FrameError::BadCommand);
    EXPECT_EQ(feed(std::string("SCAN\t12\0"
                               "3\n",
                               9),
                   2)
                  .error,
              FrameError::ControlCharacter);
    EXPECT_EQ(feed(std::string(1, '\0'), 1).error, FrameError::BadCommand);
    EXPECT_EQ(feed("SCAN\t1\x1b"
                   "2\n",
                   1)
                  .error,
              FrameError::ControlCharacter);
    EXPECT_EQ(feed("SCAN\t1\x7f\n", 1).error, FrameError::ControlCharacter);
    EXPECT_EQ(feed("SCAN\t1\r2\n", 1).error, FrameError::StrayCarriageReturn);
    EXPECT_EQ(feed("A\t1\t2\t3\t4\t5\n", 1).error, FrameError::TooManyFields);
    EXPECT_EQ(feed(std::string(17, 'A') + "\n", 1).error, FrameError::BadCommand);
    EXPECT_EQ(feed("\xff\xfe\n", 1).error, FrameError::BadCommand);
}

TEST(FrameParser, StaysBadUntilResetAndWorksAfterwards) {
    FrameParser parser;
    const std::string bad = "x\nPING\n";
    auto [result, next] = parser.parse(bad.data(), bad.data() + bad.size());
    EXPECT_EQ(result, FrameParser::Result::Bad);
    std::tie(result, next) = parser.parse(next, bad.data() + bad.size());
    EXPECT_EQ(result, FrameParser::Result::Bad);
    parser.reset();
    const std::string good = "PING\n";
    std::tie(result, next) = parser.parse(good.data(), good.data() + good.size());
    EXPECT_EQ(result, FrameParser::Result::Good);
    EXPECT_EQ(parser.frame().command, "PING");
}

} // namespace
