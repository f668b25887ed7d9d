// The real program reading its sound list at start-up.
#include <gtest/gtest.h>

#include <string>

#include "support/ProgramRun.h"

namespace {

using OrvTest::ContentFolder;
using OrvTest::RunOptions;
using OrvTest::RunResult;

RunResult RunUntilLoaded(const ContentFolder& folder) {
  RunOptions options;
  options.triggers.push_back(OrvTest::TerminateWhen("-Register Components-"));
  // This test program's own mixer writes to a file; the program stays silent.
  options.env = {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_DISKAUDIOFILE", ""}};
  return RunOrv(folder, options);
}

TEST(AudioStartUp, SoundListProblemsAreReportedUnderTheAudioHead) {
  const struct {
    const char* name;
    const char* list;  // null: no sound list at all
    std::string lines;
  } cases[] = {
      {"no list", nullptr,
       "Error! Audio data load config file not found: loadaudio.ini . Please ensure it is in location: res/audio/\n"},
      {"bad entries",
       R"({"sounds": [{"id": "m", "filename": "m.wav", "soundtype": "BGM"},
                      {"id": "e", "soundtype": "sfxgame"}]})",
       "Audio Sub Manager: Invalid type BGM specified for file res/audio/m.wav . File skipped.\n"
       "loadaudio.ini:Illegal entry @ id=e ; soundtype=sfxgame . File skipped.\n"},
  };
  for (const auto& c : cases) {
    ContentFolder folder;
    folder.WriteConfig(OrvTest::ConfigJson(320, 240, "audio", 60, 2));
    if (c.list != nullptr) folder.Write("res/audio/loadaudio.ini", c.list);
    const RunResult run = RunUntilLoaded(folder);
    EXPECT_TRUE(RanCleanly(run)) << c.name;
    EXPECT_NE(run.out.find("-Load Audio-\n" + c.lines + "\n-Register Components-"), std::string::npos)
        << c.name << "\n" << run.out;
    EXPECT_NE(run.err.find(c.lines), std::string::npos) << c.name << "\n" << run.err;
  }
}

TEST(AudioStartUp, DemoSoundListLoadsItsSound) {
  ContentFolder folder;
  folder.WriteConfig(OrvTest::ConfigJson(320, 240, "audio", 60, 2));
  const std::string demo = std::string(ORV_SOURCE_DIR) + "/game/res/audio/";
  for (const char* file : {"loadaudio.ini", "blip.wav", "music.wav"}) folder.Copy(demo + file, std::string("res/audio/") + file);
  const RunResult run = RunUntilLoaded(folder);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("-Load Audio-\nAudio file [res/audio/blip.wav] loaded with id [blip] of type [sfxgame]\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.err.find("Audio"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Sound error"), std::string::npos) << run.err;
}

// Only the progress line waits for a verbose level; problems print always.
TEST(AudioStartUp, QuietLevelLoadsWithoutALine) {
  ContentFolder folder;
  folder.WriteConfig(OrvTest::ConfigJson(320, 240, "audio", 60, 1));
  const std::string demo = std::string(ORV_SOURCE_DIR) + "/game/res/audio/";
  for (const char* file : {"loadaudio.ini", "blip.wav", "music.wav"}) folder.Copy(demo + file, std::string("res/audio/") + file);
  const RunResult run = RunUntilLoaded(folder);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_EQ(run.out.find("Audio"), std::string::npos) << run.out;
}

}  // namespace
