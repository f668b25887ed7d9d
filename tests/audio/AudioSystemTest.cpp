#include <gtest/gtest.h>

#include <limits>

#include "AudioFixture.h"
#include "audio/AudioSystem.h"
#include "platform/Sound.h"

namespace Orv::Testing {
namespace {

class AudioSystemTest : public AudioFixture {
 protected:
  void SetUp() override {
    AudioFixture::SetUp();
    if (HasFatalFailure()) return;
    system.Start();
  }
  struct Paused {
    bool menu, game, music;
    bool operator==(const Paused&) const = default;
  };
  Paused GroupsPaused() const {
    return {Platform::GetGroupPaused(manager.GroupSFXMenu()), Platform::GetGroupPaused(manager.GroupSFXGame()),
            Platform::GetGroupPaused(manager.GroupBGM())};
  }

  AudioSystem system{nullptr};
};

// Minimising pauses the engine twice (the minimise, then the deactivation)
// before the one resume.
TEST_F(AudioSystemTest, PausePauseResumeGivesBackTheStatesBeforeTheFirstPause) {
  const Paused cases[] = {{false, false, false}, {false, false, true}, {true, false, true}, {true, true, false}};
  for (const auto& before : cases) {
    system.SetPauseMenuSFX(before.menu);
    system.SetPauseGameSFX(before.game);
    system.SetPauseBGM(before.music);
    system.Pause();
    EXPECT_EQ(GroupsPaused(), (Paused{true, true, true}));
    system.Pause();
    system.Resume();
    EXPECT_EQ(GroupsPaused(), before) << before.menu << before.game << before.music;
  }
}

TEST_F(AudioSystemTest, ResumeWithoutPauseLeavesScriptsPauses) {
  system.SetPauseBGM(true);
  system.Resume();
  EXPECT_EQ(GroupsPaused(), (Paused{false, false, true}));
}

TEST_F(AudioSystemTest, VolumesAndMutesReachTheGroupsUnchanged) {
  system.SetSFXVolume(2.5f);
  system.SetBGMVolume(0.25f);
  EXPECT_EQ(Platform::GetGroupVolume(manager.GroupSFXMenu()), 2.5f);
  EXPECT_EQ(Platform::GetGroupVolume(manager.GroupSFXGame()), 2.5f);
  EXPECT_EQ(Platform::GetGroupVolume(manager.GroupBGM()), 0.25f);

  // A volume that is no number at all (a script's division by zero) is
  // refused by the group and leaves it as it was.
  for (const float bad : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN()}) {
    system.SetBGMVolume(bad);
    system.SetSFXVolume(bad);
    EXPECT_EQ(Platform::GetGroupVolume(manager.GroupBGM()), 0.25f) << bad;
    EXPECT_EQ(Platform::GetGroupVolume(manager.GroupSFXMenu()), 2.5f) << bad;
    EXPECT_EQ(Platform::GetGroupVolume(manager.GroupSFXGame()), 2.5f) << bad;
  }

  EXPECT_FALSE(system.GetMuteAll());
  system.SetMuteSFX(true);
  EXPECT_TRUE(system.GetMuteSFX());
  EXPECT_FALSE(system.GetMuteAll());
  EXPECT_TRUE(Platform::GetGroupMute(manager.GroupSFXMenu()));
  EXPECT_TRUE(Platform::GetGroupMute(manager.GroupSFXGame()));
  EXPECT_FALSE(Platform::GetGroupMute(manager.GroupBGM()));
  system.SetMuteBGM(true);
  EXPECT_TRUE(system.GetMuteAll());
  system.SetMuteSFX(false);
  EXPECT_FALSE(system.GetMuteAll());
  EXPECT_TRUE(system.GetMuteBGM());
}

// The sounds are too short to measure and sit in a paused group, so each
// stays current on its channel and may always play again; each id still has
// one playback, however often it was queued.
TEST_F(AudioSystemTest, QueuedTwiceBeforeAnUpdatePlaysOnce) {
  WriteTone(AudioFile("click.wav"), 0, 8000, 440, 40);
  WriteConfig(R"({"sounds": [
    {"id": "a", "filename": "click.wav", "soundtype": "bgm"},
    {"id": "b", "filename": "click.wav", "soundtype": "bgm"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  system.SetPauseBGM(true);
  system.QueueSound("a");
  system.QueueSound("a");
  system.QueueSound("never-loaded");
  EXPECT_EQ(Platform::CountPlayingChannels(), 0) << "nothing plays before the update";
  system.Update(0.016f);
  EXPECT_EQ(Platform::CountPlayingChannels(), 1);
  system.Update(0.016f);
  EXPECT_EQ(Platform::CountPlayingChannels(), 1) << "played entries stay played";
  system.QueueSound("a");
  system.QueueSound("b");
  system.Update(0.016f);
  EXPECT_EQ(Platform::CountPlayingChannels(), 2);
}

TEST_F(AudioSystemTest, StopsActOnTheirGroupsAndShutdownEmptiesTheQueue) {
  WriteTone(AudioFile("tone.wav"), 2000);
  WriteConfig(R"({"sounds": [
    {"id": "menu", "filename": "tone.wav", "soundtype": "sfxmenu"},
    {"id": "game", "filename": "tone.wav", "soundtype": "sfxgame"},
    {"id": "music", "filename": "tone.wav", "soundtype": "bgm"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  for (const char* id : {"menu", "game", "music"}) system.QueueSound(id);
  system.Update(0.016f);
  EXPECT_EQ(Platform::CountPlayingChannels(), 3);
  system.StopBGM();
  EXPECT_EQ(Platform::CountPlayingChannels(), 2);
  system.StopAllSFX();
  EXPECT_EQ(Platform::CountPlayingChannels(), 0);

  system.QueueSound("music");
  system.Update(0.016f);
  system.QueueSound("game");
  system.Shutdown();
  EXPECT_EQ(Platform::CountPlayingChannels(), 0);
  system.Update(0.016f);
  EXPECT_EQ(Platform::CountPlayingChannels(), 0) << "the queue was emptied";
}

TEST_F(AudioSystemTest, EnginePauseHoldsPlaybackAndResumeContinuesIt) {
  WriteTone(AudioFile("tone.wav"), 3000);
  WriteConfig(R"({"sounds": [{"id": "music", "filename": "tone.wav", "soundtype": "bgm"}]})");
  ASSERT_TRUE(manager.LoadConfig());
  system.QueueSound("music");
  system.Update(0.016f);
  const int channel = PlayingChannel();
  ASSERT_GE(channel, 0);
  ASSERT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(channel) >= 100; }));
  system.Pause();
  const unsigned held = Platform::GetChannelPositionMs(channel);
  // Long enough for the mixer to have moved on, had the channel not been held.
  const size_t mixedAtPause = MixedSampleCount();
  ASSERT_TRUE(WaitFor([&] { return MixedSampleCount() > mixedAtPause + 2 * 44100 / 4; }));
  EXPECT_EQ(Platform::GetChannelPositionMs(channel), held);
  system.Resume();
  EXPECT_TRUE(WaitFor([&] { return Platform::GetChannelPositionMs(channel) > held; }));
}

}  // namespace
}  // namespace Orv::Testing
