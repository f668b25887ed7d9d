#pragma once
// The engine-wide registry of what is loaded from res/ at start: sprite sheets
// and their frames, animations, bitmap fonts and tile sets, and the tile maps
// of the running game by id. The manager owns everything; callers get weak
// references and lock them for one use.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "resources/Font.h"
#include "resources/SpriteSheet.h"
#include "resources/TileSet.h"
#include "resources/Tilemap.h"

namespace Orv {

// An animation: its frames in playing order.
using SpriteAnimationHandle = std::vector<ObjectLockPtr<SpriteFrame>>;

class ResourceManager {
 public:
  // The process's manager, made on first use and gone at process exit.
  static ResourceManager& GetInstance();

  // A manager of its own, apart from the process's one.
  ResourceManager() = default;
  ResourceManager(const ResourceManager&) = delete;
  ResourceManager& operator=(const ResourceManager&) = delete;

  // Starts the image library (and the font library); always true.
  bool Init();

  // The loaders start-up calls, in this order; each reports its own errors.
  bool LoadTexturePacks();
  bool LoadAnimations();
  bool LoadFonts();
  bool LoadTileSets();

  // One file each: a pack by its name in res/textures/, the others by path.
  bool LoadTexturePack(const char* fileName);
  // said, when given, is set when the failure has had its one line (a file
  // that is there but cannot be read), so the folder scan adds none of its own.
  bool LoadAnimFile(const std::string& path, bool* said = nullptr);
  bool LoadTileset(const std::string& path, bool* said = nullptr);

  // A key that is not registered gives an empty reference and adds nothing.
  // Nothing is ever loaded here. Sprites are looked up by every script draw:
  // without a string made for it.
  ObjectLockPtr<SpriteFrame> GetSprite(std::string_view id);
  ObjectLockPtr<Font> GetFont(const std::string& id);
  ObjectLockPtr<SpriteAnimationHandle> GetAnimation(const std::string& name);
  ObjectLockPtr<TileSet> GetTileSet(const std::string& name);
  ObjectLockPtr<Tilemap> GetTilemap(int id);

  // The frame id at that place of the animation; empty when there is none.
  // Inserts nothing.
  std::string GetAnimFrameName(const char* name, unsigned index) const;

  // A new empty tile map under the id, releasing the one that was there.
  ObjectLockPtr<Tilemap> CreateTilemap(int id);

  template <typename T>
  static void Remove(std::map<std::string, std::shared_ptr<T>>& registry, const std::string& key) {
    registry.erase(key);
  }

  // The tile sets scripts name for the collision layer (the shadow pass draws
  // walls with it) and for the draw layer; empty until a script sets them.
  const std::string& GetCollisionLayerName() const { return collisionLayerName_; }
  void SetCollisionLayerName(std::string name) { collisionLayerName_ = std::move(name); }
  const std::string& GetDrawLayerName() const { return drawLayerName_; }
  void SetDrawLayerName(std::string name) { drawLayerName_ = std::move(name); }

  // Read-only views, for the draw code's walks and for tests.
  const std::map<std::string, std::shared_ptr<Font>>& Fonts() const { return fonts_; }
  const std::map<std::string, std::shared_ptr<SpriteSheet>>& SpriteSheets() const { return spriteSheets_; }
  const std::map<std::string, std::shared_ptr<SpriteFrame>, std::less<>>& SpriteFrames() const { return spriteFrames_; }
  const std::map<std::string, std::shared_ptr<SpriteAnimationHandle>>& Animations() const { return animations_; }
  const std::map<int, std::shared_ptr<Tilemap>>& Tilemaps() const { return tilemaps_; }
  const std::map<std::string, std::shared_ptr<TileSet>>& TileSets() const { return tileSets_; }

 private:
  std::map<std::string, std::shared_ptr<Font>> fonts_;
  std::map<std::string, std::shared_ptr<SpriteSheet>> spriteSheets_;
  std::map<std::string, std::shared_ptr<SpriteFrame>, std::less<>> spriteFrames_;
  std::map<std::string, std::shared_ptr<SpriteAnimationHandle>> animations_;
  std::map<std::string, std::vector<std::string>> animFrameNames_;
  std::map<int, std::shared_ptr<Tilemap>> tilemaps_;
  std::string collisionLayerName_;
  std::string drawLayerName_;
  std::map<std::string, std::shared_ptr<TileSet>> tileSets_;
};

}  // namespace Orv
