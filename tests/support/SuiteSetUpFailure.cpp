// A failure outside any test (a suite's SetUpTestSuite that throws or fails an assertion)
// ends the test program at once with a failing status. Left to itself GoogleTest reports
// the suite's tests as skipped, and CTest counts a skipped test as no failure: a broken
// fixture would pass the test command. Linked into every test program.
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class SuiteSetUpFailure : public ::testing::EmptyTestEventListener {
    // Followed here: asking GoogleTest from this listener would take a lock it holds.
    bool inTest_ = false;

    void OnTestStart(const ::testing::TestInfo&) override { inTest_ = true; }
    void OnTestEnd(const ::testing::TestInfo&) override { inTest_ = false; }
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (!result.failed() || inTest_)
            return;
        std::fprintf(stderr, "%s:%d: failure outside a test, the test program stops:\n%s\n",
                     result.file_name() != nullptr ? result.file_name() : "unknown file",
                     result.line_number(), result.message());
        std::fflush(stderr);
        std::_Exit(1);
    }
};

[[maybe_unused]] const bool kInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new SuiteSetUpFailure);
    return true;
}();

} // namespace
