// The report-once rules beneath the lines: names are cut where a line can
// show them, and each kind of name spends a budget of its own.
#include <gtest/gtest.h>

#include <string>

#include "core/ReportOnce.h"

namespace Orv {
namespace {

TEST(ReportOnce, LongNamesAreCutAtACharactersStartAndShortOnesKeptWhole) {
  EXPECT_EQ(QuotedName("wall"), "wall");
  EXPECT_EQ(QuotedName(std::string(200, 'a')), std::string(200, 'a'));
  // A two-byte character across the 200th byte is left out whole.
  const std::string name = std::string(199, 'a') + "\xC3\xA9" + "b";
  EXPECT_EQ(QuotedName(name), std::string(199, 'a') + "... (202 bytes)");
}

TEST(ReportOnce, EachKindSpendsItsOwnBudgetAndSaysOnceWhenItRunsOut) {
  testing::internal::CaptureStderr();
  for (std::size_t i = 0; i < kNamesPerKind; ++i) {
    EXPECT_TRUE(FirstReportOfName("test flood", "name " + std::to_string(i)));
  }
  EXPECT_FALSE(FirstReportOfName("test flood", "name 0")) << "once each";
  EXPECT_FALSE(FirstReportOfName("test flood", "one more"));
  EXPECT_FALSE(FirstReportOfName("test flood", "and another"));
  EXPECT_TRUE(FirstReportOfName("test other", "name 0")) << "another kind still has its budget";
  EXPECT_TRUE(FirstReport("test engine cause")) << "and so has every cause of the engine's own";
  EXPECT_FALSE(FirstReport("test engine cause"));
  // Names that differ only past what is kept of them are still two.
  const std::string longName(5000, 'z');
  EXPECT_TRUE(FirstReportOfName("test other", longName));
  EXPECT_TRUE(FirstReportOfName("test other", longName + "z"));
  EXPECT_FALSE(FirstReportOfName("test other", longName));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error! test flood: reported for 1024 different names; no more are reported\n");
}

}  // namespace
}  // namespace Orv
