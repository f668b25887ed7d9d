#include "AudioFixture.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/Sound.h"

namespace Orv::Testing {

namespace {

std::filesystem::path DiskOutputPath() {
  return std::filesystem::temp_directory_path() / ("orv-audio-" + std::to_string(getpid()) + ".raw");
}

// Before anything starts the mixer: output goes to a file we can read back,
// and message boxes become lines on standard error.
struct DiskOutput {
  DiskOutput() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", DiskOutputPath().c_str(), 1);
    setenv("ORV_HEADLESS", "1", 1);
  }
  ~DiskOutput() {
    std::error_code ignored;
    std::filesystem::remove(DiskOutputPath(), ignored);
  }
} diskOutput;

void Put16(std::ofstream& out, std::uint16_t v) { out.put(static_cast<char>(v & 0xFF)).put(static_cast<char>(v >> 8)); }
void Put32(std::ofstream& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

void WriteTone(const std::filesystem::path& file, int milliseconds, int amplitude, int frequency, int bytes) {
  constexpr int kRate = 22050;
  const int frames = bytes >= 0 ? bytes / 2 : kRate * milliseconds / 1000;
  std::ofstream out(file, std::ios::binary);
  out.write("RIFF", 4);
  Put32(out, 36 + frames * 2);
  out.write("WAVEfmt ", 8);
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, kRate);
  Put32(out, kRate * 2);
  Put16(out, 2);
  Put16(out, 16);
  out.write("data", 4);
  Put32(out, frames * 2);
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(amplitude * std::sin(2 * M_PI * frequency * t))));
  }
}

bool WaitFor(const std::function<bool()>& done, int limitMs) {
  for (int waited = 0; waited < limitMs; waited += 5) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

std::vector<short> MixedSamples() {
  std::ifstream in(DiskOutputPath(), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<short> samples(bytes.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

size_t MixedSampleCount() {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(DiskOutputPath(), error);
  return error ? 0 : static_cast<size_t>(bytes / 2);
}

int Peak(const std::vector<short>& samples, size_t from) {
  int peak = 0;
  for (size_t i = from; i < samples.size(); ++i) peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
  return peak;
}

int PlayingChannel() {
  for (int ch = 0; ch < 64; ++ch) {
    if (Platform::GetChannelSound(ch) != nullptr) return ch;
  }
  return -1;
}

void AudioFixture::SetUp() {
  previous_ = std::filesystem::current_path();
  folder_ = std::filesystem::temp_directory_path() / ("orv-audio-test-" + std::to_string(getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::create_directories(folder_ / "res/audio");
  std::filesystem::current_path(folder_);
  ASSERT_TRUE(manager.Init());
}

void AudioFixture::TearDown() {
  manager.Release();
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void AudioFixture::WriteConfig(const std::string& text) { std::ofstream(folder_ / "res/audio/loadaudio.ini") << text; }

}  // namespace Orv::Testing
