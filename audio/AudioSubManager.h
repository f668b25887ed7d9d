#pragma once
// The process-wide owner of sound: the mixer, the three channel groups (menu
// effects, game effects, music) and every sound of res/audio/loadaudio.ini
// under its id. A sound is not restarted while its last playback is still in
// its first half.
#include <array>
#include <map>
#include <memory>
#include <string>

#include "platform/Sound.h"

namespace Orv {

class AudioSubManager {
 public:
  // Created empty on first use; released when the process ends.
  static AudioSubManager& GetInstance();
  ~AudioSubManager();
  AudioSubManager(const AudioSubManager&) = delete;
  AudioSubManager& operator=(const AudioSubManager&) = delete;

  // Starts the mixer and makes the groups; false when there is no mixer.
  bool Init();
  // Loads the sound list; false when it could not be read.
  bool LoadConfig();
  void LoadSound(const std::string& path, const std::string& id, const std::string& soundType);
  void Play(const std::string& id);
  bool HasSound(const std::string& id) const { return sounds.count(id) != 0; }
  // The groups, then the mixer; the sounds go with the mixer.
  void Release();

  // Reports a failed result (console line and message box) and returns it.
  static int ERRCHECK(int result);

  Platform::SoundGroup* GroupSFXMenu() const { return groupSFXMenu; }
  Platform::SoundGroup* GroupSFXGame() const { return groupSFXGame; }
  Platform::SoundGroup* GroupBGM() const { return groupBGM; }

  // The groups' paused states (menu effects, game effects, music) kept by
  // the audio system while the engine is paused.
  std::array<bool, 3> savedPaused{};

 private:
  AudioSubManager() = default;

  struct SoundRecord {
    int channelIndex = -1;  // -1: never played
    std::string soundType;
    unsigned threshold = 50;  // percent played before it may start again
  };
  struct LoadedSound {
    Platform::SoundClip* sound = nullptr;
    std::unique_ptr<SoundRecord> record;
  };

  Platform::SoundGroup* GroupFor(const std::string& soundType) const;

  std::map<std::string, LoadedSound> sounds;
  int channel = -1;  // channel of the last lookup or playback
  Platform::SoundGroup* groupSFXMenu = nullptr;
  Platform::SoundGroup* groupSFXGame = nullptr;
  Platform::SoundGroup* groupBGM = nullptr;
  bool system = false;
};

}  // namespace Orv
