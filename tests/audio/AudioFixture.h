#pragma once
// A content folder with res/audio/, the mixer writing its output to a raw
// file (SDL's disk driver), and helpers to make sounds and read what was mixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "audio/AudioSubManager.h"

namespace Orv::Testing {

// Writes a mono 16-bit sine tone as a WAV file; bytes overrides the length.
void WriteTone(const std::filesystem::path& file, int milliseconds, int amplitude = 8000, int frequency = 440,
               int bytes = -1);

// Polls until done() holds or a generous limit passes; the mixer runs in
// real time on its own thread.
bool WaitFor(const std::function<bool()>& done, int limitMs = 8000);

// The 16-bit samples the mixer has written so far.
std::vector<short> MixedSamples();
// How many samples were mixed so far, without reading them: the file grows for
// the whole test program, and a poll that read it all fell behind under load.
size_t MixedSampleCount();
int Peak(const std::vector<short>& samples, size_t from = 0);

// The lowest channel that plays something now, or -1.
int PlayingChannel();

class AudioFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes res/audio/loadaudio.ini with this text.
  void WriteConfig(const std::string& text);
  std::filesystem::path AudioFile(const std::string& name) const { return folder_ / "res/audio" / name; }

  AudioSubManager& manager = AudioSubManager::GetInstance();

 private:
  std::filesystem::path folder_;
  std::filesystem::path previous_;
};

}  // namespace Orv::Testing
