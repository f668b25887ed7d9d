#include <gtest/gtest.h>

#include <string>

#include "support/ProgramRun.h"

namespace {

using OrvTest::ConfigJson;
using OrvTest::ContentFolder;
using OrvTest::RunOrv;
using OrvTest::RunOptions;
using OrvTest::TerminateWhen;

std::size_t CountOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(RegisterComponentsProgram, EveryLevelPrintsTheElevenTypesInOrder) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "Components", 60, -1));
  RunOptions options;
  options.triggers.push_back(TerminateWhen("Component boid registered", 0.2));
  const OrvTest::RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));

  const std::string head = "\n-Register Components-\n";
  const std::string lines =
      "Component rigidbody registered\n"
      "Component collision registered\n"
      "Component transform registered\n"
      "Component spriteanim registered\n"
      "Component script registered\n"
      "Component tilemap registered\n"
      "Component stencil registered\n"
      "Component light registered\n"
      "Component renderable registered\n"
      "Component editable registered\n"
      "Component boid registered\n";
  const std::size_t at = run.out.find(head);
  ASSERT_NE(at, std::string::npos) << run.out;
  EXPECT_EQ(run.out.substr(at + head.size(), lines.size()), lines) << run.out;
  EXPECT_EQ(CountOf(run.out, "Component "), 11u) << run.out;
}

}  // namespace
