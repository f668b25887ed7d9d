#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/FileUtils.h"
#include "core/OrientedRect.h"

namespace Orv {
namespace {

namespace fs = std::filesystem;

class FileUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ORV_HEADLESS", "1", 1);
    folder = fs::temp_directory_path() / ("orv_fileutils_" + std::to_string(::getpid()));
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(folder / name, std::ios::binary) << content;
  }
  std::string Pattern(const std::string& wildcard) const { return (folder / wildcard).string(); }

  fs::path folder;
};

TEST_F(FileUtilsTest, ListFilesAppendsMatchesSortedByName) {
  for (const char* name : {"b.txt", "A.TXT", "c.txt", "notes.md", "c.txt.bak"}) Write(name, "x");
  fs::create_directory(folder / "dir.txt");
  std::vector<std::string> names = {"kept"};
  ::testing::internal::CaptureStdout();
  ListFiles(Pattern("*.txt").c_str(), names, true);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(names, (std::vector<std::string>{"kept", "A.TXT", "b.txt", "c.txt", "dir.txt"}));
}

TEST_F(FileUtilsTest, ListFilesWithoutMatchReportsAndLeavesNamesAlone) {
  Write("a.lua", "x");
  struct Case {
    std::string pattern;
    bool box;
  };
  const Case cases[] = {{Pattern("*.txt"), false}, {Pattern("*.txt"), true}, {Pattern("missing/*.txt"), true}};
  for (const Case& c : cases) {
    std::vector<std::string> names = {"kept"};
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    ListFiles(c.pattern.c_str(), names, c.box);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string line = "No files found for: " + c.pattern + "\n";
    EXPECT_EQ(out, line) << c.pattern;
    EXPECT_EQ(err, c.box ? line : "") << c.pattern;
    EXPECT_EQ(names, (std::vector<std::string>{"kept"}));
  }
}

TEST_F(FileUtilsTest, LoadFileToStringReadsWholeFileWithLineEndsAsLf) {
  const struct {
    const char* name;
    std::string content;
    std::string expected;
  } cases[] = {
      {"crlf.txt", "one\r\ntwo\r\n", "one\ntwo\n"},
      {"lone_cr.txt", "a\rb\r", "a\rb\r"},
      {"empty.txt", "", ""},
      {"zero.bin", std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    Write(c.name, c.content);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFileToString((folder / c.name).c_str()), c.expected) << c.name;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << c.name;
  }
}

TEST_F(FileUtilsTest, LoadFileToStringOfMissingFileReportsAndGivesEmpty) {
  const std::string path = (folder / "nope.vert").string();
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LoadFileToString(path.c_str()), "");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error loading file: " + path + "\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error loading file: " + path + "\n");
}

OrientedRect RectAt(double cx, double cy, double hx, double hy) {
  return OrientedRect{{cx - hx, cy + hy}, {cx + hx, cy + hy}, {cx + hx, cy - hy}, {cx - hx, cy - hy},
                      hx, hy, cx, cy};
}

TEST(OrientedRect, RotateTurnsCornersAboutTheCentre) {
  OrientedRect quarter = RectAt(0, 0, 1, 1);
  quarter.Rotate(90.0f);
  EXPECT_NEAR(quarter.corner0[0], -1.0, 1e-9);
  EXPECT_NEAR(quarter.corner0[1], -1.0, 1e-9);
  EXPECT_NEAR(quarter.corner1[0], -1.0, 1e-9);
  EXPECT_NEAR(quarter.corner1[1], 1.0, 1e-9);

  OrientedRect still = RectAt(3, 4, 2, 1);
  still.Rotate(0.0f);
  EXPECT_EQ(still.corner2[0], 5.0);
  EXPECT_EQ(still.corner2[1], 3.0);

  // Turns accumulate, about an off-origin centre; the centre stays.
  OrientedRect twice = RectAt(10, 20, 2, 1);
  twice.Rotate(90.0f);
  twice.Rotate(90.0f);
  EXPECT_NEAR(twice.corner0[0], 12.0, 1e-9);
  EXPECT_NEAR(twice.corner0[1], 19.0, 1e-9);
  EXPECT_EQ(twice.centreX, 10.0);
  EXPECT_EQ(twice.halfX, 2.0);
}

}  // namespace
}  // namespace Orv
