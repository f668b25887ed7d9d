// Reading config/config.ini: which JSON values count and what the rest read as.
#include <gtest/gtest.h>

#include <cmath>

#include "app/Config.h"
#include "support/ProgramRun.h"

using namespace Orv;

namespace {

std::optional<Config> Read(const std::string& json, std::vector<std::string>* warningsOut = nullptr) {
  OrvTest::ContentFolder folder;
  folder.WriteConfig(json);
  std::vector<std::string> warnings;
  auto config = ReadConfig(folder.Path() + "/config/config.ini", warnings);
  if (warningsOut != nullptr) *warningsOut = warnings;
  return config;
}

}  // namespace

TEST(Config, ValuesOfEachKey) {
  struct Case {
    const char* json;
    bool fullscreen;
    int fps;
    int debug;
    const char* title;
  } cases[] = {
      {R"({"width":640,"height":480,"title":"T","fps":60,"debug":2,"fullscreen":1})", true, 60, 2, "T"},
      {R"({"width":640,"height":480,"title":"T","fps":60,"fullscreen":true})", false, 60, 0, "T"},
      {R"({"width":640,"height":480,"fullscreen":4294967296})", true, 0, 0, ""},
      {R"({"width":640,"height":480,"title":5,"fps":60.0,"debug":"4"})", false, 0, 0, ""},
      {R"({"width":640,"height":480,"title":"T","fps":-30,"debug":-1,"extra":[1]})", false, -30, -1, "T"},
      {R"({"width":640,"height":480,"debug":4294967295})", false, 0, -1, ""},
  };
  for (const Case& c : cases) {
    auto config = Read(c.json);
    ASSERT_TRUE(config) << c.json;
    EXPECT_EQ(config->width, 640u) << c.json;
    EXPECT_EQ(config->height, 480u);
    EXPECT_EQ(config->fullscreen, c.fullscreen) << c.json;
    EXPECT_EQ(config->fps, c.fps) << c.json;
    EXPECT_EQ(config->debug, c.debug) << c.json;
    EXPECT_EQ(config->title, c.title) << c.json;
  }
}

TEST(Config, FrameInterval) {
  auto config = Read(R"({"width":640,"height":480,"fps":60})");
  ASSERT_TRUE(config);
  EXPECT_FLOAT_EQ(config->FrameInterval(), 1.0f / 60.0f);
  config->fps = -50;
  EXPECT_LT(config->FrameInterval(), 0.0f);
  config->fps = 0;
  EXPECT_TRUE(std::isinf(config->FrameInterval()));
}

TEST(Config, RefusedWithoutSizeOrDocument) {
  std::vector<std::string> warnings;
  EXPECT_FALSE(Read("[]", &warnings));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("\"width\" must be a positive integer"), std::string::npos) << warnings[0];
  EXPECT_FALSE(Read(R"({"width":640,"height":480.0})", &warnings));
  // Negative sizes come out of the low 32 bits above 2^31: no window has such a side.
  for (const char* json : {R"({"width":-640,"height":480})", R"({"width":640,"height":2147483648})"}) {
    EXPECT_FALSE(Read(json, &warnings)) << json;
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("must be a positive integer"), std::string::npos) << warnings[0];
  }
  EXPECT_TRUE(Read(R"({"width":4294967936,"height":480,"fps":60})")) << "only the low 32 bits count: 640";
  EXPECT_FALSE(Read("{", &warnings));
  ASSERT_EQ(warnings.size(), 1u) << "a broken file is refused, saying where it broke";
  EXPECT_NE(warnings[0].find(": line 1, column"), std::string::npos) << warnings[0];
  warnings.clear();
  EXPECT_FALSE(ReadConfig("/nonexistent/config.ini", warnings));
  EXPECT_TRUE(warnings.empty());
}

TEST(Config, ZeroFpsIsAcceptedWithAWarning) {
  std::vector<std::string> warnings;
  EXPECT_TRUE(Read(R"({"width":640,"height":480})", &warnings));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("no frame will run"), std::string::npos);
  EXPECT_TRUE(Read(R"({"width":640,"height":480,"fps":30})", &warnings));
  EXPECT_TRUE(warnings.empty()) << "no warning for a valid rate";
}
