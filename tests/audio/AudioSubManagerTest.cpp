#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>

#include "AudioFixture.h"
#include "platform/Sound.h"

namespace Orv::Testing {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

class AudioSubManagerTest : public AudioFixture {};

// Each text goes to a message box (standard error when headless) and to the
// console, once each.
TEST_F(AudioSubManagerTest, SoundListProblemsAreReportedWithTheirTexts) {
  WriteTone(AudioFile("tone.wav"), 100);
  const struct {
    const char* name;
    const char* config;  // null: no file at all
    bool result;
    std::vector<std::string> lines;
    std::string consoleAlso = {};  // after the lines: the broken file's place, also the box's second line
  } cases[] = {
      {"missing file",
       nullptr,
       false,
       {"Error! Audio data load config file not found: loadaudio.ini . Please ensure it is in location: res/audio/"}},
      {"broken JSON",
       "{\"sounds\": [",
       false,
       {"Error! Audio data load config file not found: loadaudio.ini . Please ensure it is in location: res/audio/"},
       "res/audio/loadaudio.ini: line 1, column 12: ']' expected near end of file\n"},
      {"no sounds array",
       R"({"sound": []})",
       false,
       {"Error! Could not get sound file array from: loadaudio.ini . No audio will be loaded!"}},
      {"upper-case type",
       R"({"sounds": [{"id": "x", "filename": "tone.wav", "soundtype": "BGM"}]})",
       true,
       {"Audio Sub Manager: Invalid type BGM specified for file res/audio/tone.wav . File skipped."}},
      {"no filename",
       R"({"sounds": [{"id": "x", "soundtype": "sfxgame", "threshold": 3}]})",
       true,
       {"loadaudio.ini:Illegal entry @ id=x ; soundtype=sfxgame . File skipped."}},
      {"nothing usable",
       R"({"sounds": [{"id": 4, "filename": ["a"]}]})",
       true,
       {"loadaudio.ini:Illegal entry @ File skipped."}},
      {"fine", R"({"sounds": [{"id": "x", "filename": "tone.wav", "soundtype": "sfxmenu"}]})", true, {}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(AudioFile("loadaudio.ini"));
    if (c.config != nullptr) WriteConfig(c.config);
    CaptureStdout();
    CaptureStderr();
    const bool result = manager.LoadConfig();
    const std::string out = GetCapturedStdout();
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(result, c.result) << c.name;
    std::string want;
    for (const auto& line : c.lines) want += line + "\n";
    EXPECT_EQ(out, want + c.consoleAlso) << c.name;
    // The box carries the place a broken file broke as its second line.
    EXPECT_EQ(err, want + c.consoleAlso) << c.name;
  }
}

TEST_F(AudioSubManagerTest, UnreadableSoundIsSkippedWithTheMixersReason) {
  WriteConfig(R"({"sounds": [{"id": "x", "filename": "none.wav", "soundtype": "sfxgame"}]})");
  CaptureStdout();
  CaptureStderr();
  EXPECT_TRUE(manager.LoadConfig());
  const std::string out = GetCapturedStdout();
  GetCapturedStderr();
  std::printf("%s", out.c_str());
  EXPECT_EQ(out.rfind("Sound error! (-1) ", 0), 0u);
  EXPECT_NE(out.find("\nres/audio/none.wav skipped due to sound error.\n"), std::string::npos);
  manager.Play("x");
  EXPECT_EQ(Platform::CountPlayingChannels(), 0);
}

TEST_F(AudioSubManagerTest, QueuedSoundReachesTheMixedOutput) {
  WriteTone(AudioFile("tone.wav"), 1000, 8000);
  WriteConfig(R"({"sounds": [{"id": "tone", "filename": "tone.wav", "soundtype": "sfxgame"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  const size_t before = MixedSampleCount();
  manager.Play("tone");
  const int channel = PlayingChannel();
  ASSERT_GE(channel, 0);
  ASSERT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(channel) >= 300; }));
  ASSERT_TRUE(WaitFor([&] { return MixedSampleCount() > before + 44100; }));
  const int peak = Peak(MixedSamples(), before);
  std::printf("peak of the mixed tone: %d (written at 8000)\n", peak);
  EXPECT_NEAR(peak, 8000, 800);
}

// A tone of four seconds in a sound list whose threshold member says 0: the
// member changes nothing, half of the sound must still have played. Its
// length leaves a loaded machine seconds between a look at the position and
// the request after it.
TEST_F(AudioSubManagerTest, SecondRequestPlaysOnlyAfterHalfOfTheSound) {
  WriteTone(AudioFile("tone.wav"), 4000);
  WriteConfig(R"({"sounds": [
    {"id": "sfx", "filename": "tone.wav", "soundtype": "sfxgame", "threshold": 0},
    {"id": "music", "filename": "tone.wav", "soundtype": "bgm"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  constexpr unsigned length = 4000;

  // A test held up on a busy machine past the sound's end rightly sees the
  // second request start it anew: that try judges nothing and is made again.
  int channel = -1;
  unsigned early = 0;
  for (int tries = 0; tries < 5; ++tries) {
    ASSERT_TRUE(WaitFor([] { return Platform::CountPlayingChannels() == 0; }));
    manager.Play("sfx");
    channel = PlayingChannel();
    ASSERT_GE(channel, 0);
    ASSERT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(channel) >= 100; }));
    const unsigned seen = Platform::GetChannelPositionMs(channel);
    const auto seenAt = std::chrono::steady_clock::now();
    manager.Play("sfx");
    early = Platform::GetChannelPositionMs(channel);
    const double held = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - seenAt).count();
    if (held + seen + 100 < length) break;
    std::printf("held %.0f ms from %u ms, near the sound's end: tried again\n", held, seen);
  }
  std::printf("refused at %u ms of %u\n", early, length);
  EXPECT_GE(early, 100u) << "the first playback was restarted";
  EXPECT_EQ(Platform::CountPlayingChannels(), 1);

  ASSERT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(channel) >= 2020; }));
  manager.Play("sfx");
  const int again = PlayingChannel();
  ASSERT_GE(again, 0);
  const unsigned restarted = Platform::GetChannelPositionMs(again);
  std::printf("restarted: position %u ms\n", restarted);
  EXPECT_LT(restarted, 1500u);
  // An effect plays once at a time: the restart replaced the earlier playback.
  EXPECT_EQ(Platform::CountPlayingChannels(), 1);

  // Music is a stream with one playback: past half, a second request starts
  // it over instead of looping a second copy beside the first.
  Platform::StopGroup(manager.GroupSFXGame());
  manager.Play("music");
  const int music = PlayingChannel();
  ASSERT_GE(music, 0);
  manager.Play("music");
  EXPECT_EQ(Platform::CountPlayingChannels(), 1);
  ASSERT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(music) >= 2020; }));
  manager.Play("music");
  const int musicAgain = PlayingChannel();
  ASSERT_GE(musicAgain, 0);
  const unsigned musicRestarted = Platform::GetChannelPositionMs(musicAgain);
  std::printf("music restarted: position %u ms\n", musicRestarted);
  EXPECT_LT(musicRestarted, 1500u);
  EXPECT_EQ(Platform::CountPlayingChannels(), 1);
}

TEST_F(AudioSubManagerTest, SoundWhoseChannelNowPlaysAnotherStartsAtOnce) {
  WriteTone(AudioFile("a.wav"), 2000);
  WriteTone(AudioFile("b.wav"), 2000, 4000, 660);
  WriteConfig(R"({"sounds": [
    {"id": "a", "filename": "a.wav", "soundtype": "sfxmenu"},
    {"id": "b", "filename": "b.wav", "soundtype": "sfxmenu"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  manager.Play("a");
  const int first = PlayingChannel();
  Platform::StopGroup(manager.GroupSFXMenu());
  manager.Play("b");
  ASSERT_EQ(PlayingChannel(), first) << "b should take a's freed channel";
  manager.Play("a");
  EXPECT_EQ(Platform::CountPlayingChannels(), 2);
}

// A looping sound shorter than a millisecond stays current on its channel
// and reads as length 0: it may always play again, and playing again moves
// it to the lowest free channel.
TEST_F(AudioSubManagerTest, SoundOfNoLengthMayAlwaysPlayAgain) {
  WriteTone(AudioFile("long.wav"), 2000);
  WriteTone(AudioFile("click.wav"), 0, 8000, 440, 40);
  WriteTone(AudioFile("empty.wav"), 0, 8000, 440, 0);
  WriteConfig(R"({"sounds": [
    {"id": "long", "filename": "long.wav", "soundtype": "sfxmenu"},
    {"id": "click", "filename": "click.wav", "soundtype": "bgm"},
    {"id": "empty", "filename": "empty.wav", "soundtype": "bgm"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  manager.Play("long");
  const int first = PlayingChannel();
  ASSERT_GE(first, 0);
  manager.Play("click");
  EXPECT_EQ(Platform::CountPlayingChannels(), 2);
  Platform::StopGroup(manager.GroupSFXMenu());
  ASSERT_NE(PlayingChannel(), first) << "the click plays on a channel of its own";
  manager.Play("click");
  EXPECT_EQ(PlayingChannel(), first) << "the click was refused instead of played again";
  EXPECT_EQ(Platform::CountPlayingChannels(), 1);
  manager.Play("empty");
  manager.Play("empty");
  EXPECT_EQ(Platform::CountPlayingChannels(), 1) << "a sound without samples plays nothing";
}

TEST_F(AudioSubManagerTest, FirstSoundUnderAnIdIsKept) {
  WriteTone(AudioFile("long.wav"), 3000);
  WriteTone(AudioFile("short.wav"), 0, 8000, 440, 40);
  WriteConfig(R"({"sounds": [
    {"id": "x", "filename": "long.wav", "soundtype": "sfxgame"},
    {"id": "x", "filename": "short.wav", "soundtype": "sfxmenu"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  manager.Play("x");
  const int channel = PlayingChannel();
  ASSERT_GE(channel, 0);
  // Long enough to be heard past its start, and in the game-effects group.
  ASSERT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(channel) >= 50; }));
  Platform::StopGroup(manager.GroupSFXMenu());
  EXPECT_NE(PlayingChannel(), -1);
  Platform::StopGroup(manager.GroupSFXGame());
  EXPECT_EQ(PlayingChannel(), -1);
}

TEST_F(AudioSubManagerTest, GroupVolumeAndMuteScaleTheMixedSamples) {
  WriteTone(AudioFile("tone.wav"), 3000, 8000);
  WriteConfig(R"({"sounds": [{"id": "tone", "filename": "tone.wav", "soundtype": "bgm"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  const struct {
    float volume;
    bool mute;
    int expected;
  } cases[] = {{0.5f, false, 4000}, {2.5f, false, 20000}, {1.0f, true, 0}, {5.0f, false, 32767}};
  for (const auto& c : cases) {
    Platform::StopGroup(manager.GroupBGM());
    Platform::SetGroupVolume(manager.GroupBGM(), c.volume);
    Platform::SetGroupMute(manager.GroupBGM(), c.mute);
    manager.Play("tone");
    const int channel = PlayingChannel();
    ASSERT_GE(channel, 0);
    // Measured from a little after the start to skip what was mixed before.
    ASSERT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(channel) >= 100; }));
    const size_t from = MixedSampleCount();
    ASSERT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(channel) >= 400; }));
    ASSERT_TRUE(WaitFor([&] { return MixedSampleCount() > from + 20000; }));
    const int peak = Peak(MixedSamples(), from);
    std::printf("volume %.1f mute %d: peak %d\n", c.volume, c.mute, peak);
    EXPECT_NEAR(peak, c.expected, c.expected / 10 + 1);
  }
}

// At exit the windowing layer shuts SDL down before the manager, a
// process-wide object, is released.
TEST_F(AudioSubManagerTest, ReleaseAfterEverySubsystemWasShutDown) {
  WriteTone(AudioFile("tone.wav"), 2000);
  WriteConfig(R"({"sounds": [{"id": "tone", "filename": "tone.wav", "soundtype": "bgm"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  manager.Play("tone");
  ASSERT_EQ(Platform::CountPlayingChannels(), 1);
  SDL_Quit();
  manager.Release();
  EXPECT_EQ(Platform::CountPlayingChannels(), 0);
  EXPECT_EQ(manager.GroupBGM(), nullptr);
  // And the mixer starts again afterwards.
  ASSERT_TRUE(manager.Init());
}

}  // namespace
}  // namespace Orv::Testing
