#include "audio/AudioSubManager.h"

#include <jansson.h>

#include <cstdint>
#include <cstdio>

#include "core/JsonFile.h"
#include "core/Report.h"

namespace Orv {

namespace {

constexpr const char* kAudioFolder = "res/audio/";
constexpr const char* kConfigName = "loadaudio.ini";
constexpr int kChannelCount = 64;

const char* StringMember(json_t* object, const char* key) {
  json_t* value = json_object_get(object, key);
  return json_is_string(value) ? json_string_value(value) : nullptr;
}

}  // namespace

AudioSubManager& AudioSubManager::GetInstance() {
  static AudioSubManager instance;
  return instance;
}

AudioSubManager::~AudioSubManager() { Release(); }

int AudioSubManager::ERRCHECK(int result) {
  if (result == Platform::kSoundOk) return result;
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "Sound error! (%d) %s\n", result, Platform::SoundResultText(result).c_str());
  std::string text(buffer);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  PrintLineAndShowMessage(text);
  return result;
}

bool AudioSubManager::Init() {
  if (ERRCHECK(Platform::CreateSoundSystem()) != Platform::kSoundOk) return false;
  system = true;
  if (Platform::SoundLibraryOlderThanHeader()) {
    PrintLineAndShowMessage(std::string("Sound lib version ") + "doesn't match header version ");
  }
  if (ERRCHECK(Platform::InitSoundSystem(kChannelCount)) != Platform::kSoundOk) return false;
  ERRCHECK(Platform::CreateSoundGroup("channelgroupSFXMenu", &groupSFXMenu));
  ERRCHECK(Platform::CreateSoundGroup("channelgroupSFXGame", &groupSFXGame));
  ERRCHECK(Platform::CreateSoundGroup("channelgroupBGM", &groupBGM));
  return true;
}

bool AudioSubManager::LoadConfig() {
  const std::string path = std::string(kAudioFolder) + kConfigName;
  JsonFile document(path);
  json_t* root = document.Root();
  if (root == nullptr) {
    const std::string text = std::string("Error! Audio data load config file not found: ") + kConfigName +
                             " . Please ensure it is in location: " + kAudioFolder;
    // The box says "not found" either way; a file that is there but broken
    // gets the place of the fault on the console and as the box's second line.
    PrintLine(text);
    ShowMessage(document.IsBroken() ? text + "\n" + document.DescribeError() : text);
    if (document.IsBroken()) PrintLine(document.DescribeError());
    return false;
  }
  json_t* list = json_object_get(root, "sounds");
  if (!json_is_array(list)) {
    PrintLineAndShowMessage(std::string("Error! Could not get sound file array from: ") + kConfigName +
                            " . No audio will be loaded!");
    return false;
  }
  for (size_t i = 0; i < json_array_size(list); ++i) {
    json_t* entry = json_array_get(list, i);
    const char* id = StringMember(entry, "id");
    const char* filename = StringMember(entry, "filename");
    const char* soundType = StringMember(entry, "soundtype");
    // A "threshold" member is accepted and changes nothing: every sound
    // waits for half of itself.
    if (id != nullptr && filename != nullptr && soundType != nullptr) {
      LoadSound(std::string(kAudioFolder) + filename, id, soundType);
      continue;
    }
    std::string text = std::string(kConfigName) + ":Illegal entry @";
    if (id != nullptr) text += std::string(" id=") + id + " ;";
    if (filename != nullptr) text += std::string(" filename=") + filename + " ;";
    if (soundType != nullptr) text += std::string(" soundtype=") + soundType + " .";
    text += " File skipped.";
    PrintLineAndShowMessage(text);
  }
  return true;
}

void AudioSubManager::LoadSound(const std::string& path, const std::string& id, const std::string& soundType) {
  unsigned mode = 0;
  if (soundType == "sfxmenu" || soundType == "sfxgame") {
    mode = Platform::kSoundUnique;
  } else if (soundType == "bgm") {
    // Music is a stream, and a stream has one playback: asked for again past
    // its first half it starts over, never looping a second copy beside the
    // first.
    mode = Platform::kSoundLoop | Platform::kSoundUnique;
  } else {
    PrintLineAndShowMessage("Audio Sub Manager: Invalid type " + soundType + " specified for file " + path +
                            " . File skipped.");
    return;
  }
  Platform::SoundClip* sound = nullptr;
  const int result = Platform::CreateSound(path, mode, &sound);
  if (result != Platform::kSoundOk) {
    ERRCHECK(result);
    PrintLineAndShowMessage(path + " skipped due to sound error.");
    return;
  }
  auto record = std::make_unique<SoundRecord>();
  record->soundType = soundType;
  // An id already taken keeps its first sound.
  auto [it, inserted] = sounds.try_emplace(id);
  if (!inserted) {
    Platform::ReleaseSound(sound);
    return;
  }
  it->second.sound = sound;
  it->second.record = std::move(record);
  if (IsVerbose()) {
    PrintLine("Audio file [" + path + "] loaded with id [" + id + "] of type [" + soundType + "]");
  }
}

Platform::SoundGroup* AudioSubManager::GroupFor(const std::string& soundType) const {
  if (soundType == "sfxmenu") return groupSFXMenu;
  if (soundType == "sfxgame") return groupSFXGame;
  return groupBGM;
}

void AudioSubManager::Play(const std::string& id) {
  auto it = sounds.find(id);
  if (it == sounds.end()) return;
  Platform::SoundClip* sound = it->second.sound;
  SoundRecord* record = it->second.record.get();
  if (record == nullptr) return;
  if (record->channelIndex != -1) {
    channel = record->channelIndex;
    if (Platform::GetChannelSound(channel) == sound) {
      const std::uint32_t length = Platform::GetSoundLengthMs(sound);
      const std::uint32_t position = Platform::GetChannelPositionMs(channel);
      // A sound of no length has no first half to protect.
      if (length != 0 && position * 100u / length < record->threshold) return;
    }
  }
  int played = -1;
  Platform::PlaySound(sound, GroupFor(record->soundType), &played);
  channel = played;
  record->channelIndex = played;
}

void AudioSubManager::Release() {
  for (Platform::SoundGroup** group : {&groupSFXMenu, &groupSFXGame, &groupBGM}) {
    if (*group == nullptr) continue;
    Platform::ReleaseSoundGroup(*group);
    *group = nullptr;
  }
  for (auto& [id, loaded] : sounds) Platform::ReleaseSound(loaded.sound);
  sounds.clear();
  channel = -1;
  if (system) Platform::ReleaseSoundSystem();
  system = false;
}

}  // namespace Orv
