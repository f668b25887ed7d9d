#include "resources/ResourceManager.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <jansson.h>

#include <cstdint>
#include <limits>
#include <string>

#include "core/FileUtils.h"
#include "core/JsonFile.h"
#include "core/Report.h"
#include "core/ReportOnce.h"

namespace Orv {

namespace {

constexpr const char* kTextureFolder = "res/textures/";
constexpr const char* kAnimFolder = "res/anims/";
constexpr const char* kFontList = "res/loadfonts.ini";

// The file's document, or null after reporting failure (a box, and the
// same line on the console unless boxOnly); a file that is there but not
// valid JSON also gets the place where it broke on the console.
json_t* LoadJson(const JsonFile& file, const std::string& failure, bool boxOnly = false) {
  if (file) return file.Root();
  // "not found" is the box's word for every failure: the next line says
  // what it was when the file is there.
  std::string cause;
  // Appended rather than "\n" + ...: GCC 12 at -O2 warns falsely on that form.
  if (file.IsBroken()) cause.append("\n").append(file.DescribeError());
  if (boxOnly) {
    ShowMessage(failure + cause);
  } else {
    PrintLine(failure);
    ShowMessage(failure + cause);
  }
  if (file.IsBroken()) PrintLine(file.DescribeError());
  return nullptr;
}

// The document's root, or null after saying why. A file that is there but
// cannot be read or parsed gets one line with the cause, on the console and
// in a box, and said, when given, is set; a missing one keeps "Error! file
// not found: ".
json_t* LoadJsonSaying(const JsonFile& file, const std::string& brokenHead, bool* said) {
  if (said != nullptr) *said = false;
  if (file) return file.Root();
  if (file.IsBroken()) {
    PrintLineAndShowMessage(brokenHead + file.DescribeError());
    if (said != nullptr) *said = true;
    return nullptr;
  }
  PrintLineAndShowMessage("Error! file not found: " + file.GetPath());
  return nullptr;
}

// Integers are read as 64-bit values of which the low 32 bits count.
int32_t Low32(const json_t* value) { return static_cast<int32_t>(json_integer_value(value)); }

bool AllIntegers(const json_t* object, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    if (!json_is_integer(json_object_get(object, key))) return false;
  }
  return true;
}

}  // namespace

ResourceManager& ResourceManager::GetInstance() {
  static ResourceManager instance;
  return instance;
}

bool ResourceManager::Init() {
  ilInit();
  iluInit();
  // Start-up starts the font library again, and that result is the one that
  // counts; a failure here only prints.
  Font::InitFreeType();
  // Canvas added to reach power-of-two sides is transparent white.
  ilClearColour(1.0f, 1.0f, 1.0f, 0.0f);
  if (ilGetError() != IL_NO_ERROR) ShowMessage("Error initializing DevIL!");
  return true;
}

bool ResourceManager::LoadTexturePacks() {
  std::vector<std::string> names;
  ListFiles((std::string(kTextureFolder) + "*.pack").c_str(), names, true);
  for (const std::string& name : names) {
    if (!LoadTexturePack(name.c_str())) PrintLineAndShowMessage("Error loading texture pack file: " + name);
  }
  return true;
}

bool ResourceManager::LoadAnimations() {
  std::vector<std::string> names;
  ListFiles((std::string(kAnimFolder) + "*.anim").c_str(), names, true);
  for (const std::string& name : names) {
    bool said = false;
    if (!LoadAnimFile(kAnimFolder + name, &said) && !said) PrintLineAndShowMessage("Error loading anim file: " + name);
  }
  return true;
}

bool ResourceManager::LoadTileSets() {
  std::vector<std::string> names;
  ListFiles((std::string(kTextureFolder) + "*.tileset").c_str(), names, true);
  for (const std::string& name : names) {
    bool said = false;
    if (!LoadTileset(kTextureFolder + name, &said) && !said) {
      PrintLineAndShowMessage("Error loading tileset file: " + name);
    }
  }
  return true;
}

bool ResourceManager::LoadTexturePack(const char* fileName) {
  const std::string path = kTextureFolder + std::string(fileName);
  JsonFile document(path);
  json_t* root = LoadJson(document, "Can't load pack file: " + path);
  if (!root) return false;
  const json_t* file = json_object_get(root, "file");
  const json_t* frames = json_object_get(root, "frames");
  if (!json_is_string(file) || !json_is_array(frames)) {
    PrintLineAndShowMessage("Error parsing texture pack file: " + path);
    return false;
  }

  const std::string sheetKey = json_string_value(file);
  const std::string imagePath = kTextureFolder + sheetKey;
  // Packs that cut frames from one image share its sheet: a second sheet in
  // its place would leave the first pack's frames pointing at nothing.
  std::shared_ptr<SpriteSheet> sheet;
  if (const auto known = spriteSheets_.find(sheetKey); known != spriteSheets_.end()) sheet = known->second;
  if (!sheet) {
    sheet = std::make_shared<SpriteSheet>();
    if (!sheet->LoadPixelsFromFile(imagePath)) {
      PrintLineAndShowMessage("Error loading texture file: " + imagePath);
      return false;
    }
    spriteSheets_[sheetKey] = sheet;
    sheet->LoadTextureFromPixels32();
    if (IsVerbose()) PrintLine("-> Texture: '" + imagePath + "' loaded successfully");
  }

  for (size_t i = 0; i < json_array_size(frames); ++i) {
    const json_t* frame = json_array_get(frames, i);
    if (frame == nullptr) break;
    if (!json_is_object(frame)) {
      PrintLine("Error Parsing! Texture frame is not a valid object!");
      continue;
    }
    const json_t* id = json_object_get(frame, "id");
    if (!json_is_string(id) || !AllIntegers(frame, {"x", "y", "sizeX", "sizeY"})) {
      PrintLine("Error parsing Texture Frame values!");
      continue;
    }
    const SpriteQuad quad{Low32(json_object_get(frame, "x")), Low32(json_object_get(frame, "y")),
                          Low32(json_object_get(frame, "sizeX")), Low32(json_object_get(frame, "sizeY"))};
    spriteFrames_[json_string_value(id)] = std::make_shared<SpriteFrame>(SpriteFrame{quad, sheet});
  }
  return true;
}

bool ResourceManager::LoadAnimFile(const std::string& path, bool* said) {
  JsonFile document(path);
  json_t* root = LoadJsonSaying(document, "Error loading anim file: ", said);
  if (!root) return false;

  for (void* it = json_object_iter(root); it != nullptr; it = json_object_iter_next(root, it)) {
    const std::string name = json_object_iter_key(it);
    const json_t* ids = json_object_iter_value(it);

    // A redefinition replaces the frames and their names together, so the
    // two lists always agree.
    auto frames = std::make_shared<SpriteAnimationHandle>();
    animations_[name] = frames;
    std::vector<std::string>& names = animFrameNames_[name];
    names.clear();
    if (!json_is_array(ids)) continue;

    for (size_t i = 0; i < json_array_size(ids); ++i) {
      const json_t* id = json_array_get(ids, i);
      if (id == nullptr) break;
      if (!json_is_string(id)) continue;
      const std::string frameId = json_string_value(id);
      ObjectLockPtr<SpriteFrame> frame = GetSprite(frameId);
      if (!frame.Exists()) {
        // Left out of the animation, which then shows one frame less.
        PrintErrorLineOnce("animation: no frame", path + '\n' + frameId,
                           path + ": animation '" + QuotedName(name) + "' lists the frame \"" + QuotedName(frameId) +
                               "\", which no texture pack has; it is left out");
        continue;
      }
      frames->push_back(frame);
      names.push_back(frameId);
      if (IsVerbose()) PrintLine(" -> Added frame[" + frameId + "] to animation '" + name + "'");
    }
  }
  return true;
}

bool ResourceManager::LoadFonts() {
  JsonFile document(kFontList);
  json_t* root = LoadJson(document, "Error loading Font Resource file", true);
  if (!root) return false;
  const json_t* fonts = json_object_get(root, "fonts");
  if (fonts == nullptr) {
    ShowMessage("Error parsing font loader");
    return false;
  }
  if (!json_is_array(fonts)) {
    ShowMessage("Error! json object is not an array");
    return false;
  }

  for (size_t i = 0; i < json_array_size(fonts); ++i) {
    const json_t* entry = json_array_get(fonts, i);
    if (entry == nullptr) break;
    const json_t* id = json_object_get(entry, "id");
    const json_t* path = json_object_get(entry, "path");
    const json_t* size = json_object_get(entry, "size");
    if (!json_is_string(id) || !json_is_string(path) || !json_is_integer(size)) continue;

    const std::string fontPath = json_string_value(path);
    const std::string fontId = json_string_value(id);
    const json_int_t pixelSize = json_integer_value(size);
    auto font = std::make_shared<Font>();
    // A size of 0 builds an atlas of empty cells; below 0 it would wrap.
    const bool sizeUsable = pixelSize > 0 && pixelSize <= std::numeric_limits<unsigned>::max();
    if (!sizeUsable || !font->LoadFont(static_cast<unsigned>(pixelSize), fontPath)) {
      // The box says "not found" whatever failed: the line says what did.
      const std::string problem =
          sizeUsable ? font->GetLoadProblem() : "size " + std::to_string(pixelSize) + " cannot be built";
      if (!problem.empty()) PrintLine("Font '" + fontId + "' from " + fontPath + ": " + problem);
      ShowMessage("Error! " + fontPath + " not found!");
      continue;
    }
    Remove(fonts_, fontId);
    fonts_[fontId] = font;
    if (IsVerbose()) PrintLine("-> Font '" + fontId + "' loaded successfully");
  }
  return true;
}

bool ResourceManager::LoadTileset(const std::string& path, bool* said) {
  JsonFile document(path);
  json_t* root = LoadJsonSaying(document, "Error loading tileset file: ", said);
  if (!root) return false;
  const json_t* name = json_object_get(root, "name");
  const json_t* mapping = json_object_get(root, "mapping");
  if (!json_is_string(name) || !json_is_array(mapping)) {
    PrintLineAndShowMessage("Error parsing tileset file: " + path);
    return false;
  }

  const std::string tileSetName = json_string_value(name);
  auto tileSet = std::make_shared<TileSet>(tileSetName);
  tileSets_[tileSetName] = tileSet;

  for (size_t i = 0; i < json_array_size(mapping); ++i) {
    const json_t* entry = json_array_get(mapping, i);
    if (entry == nullptr) break;
    if (!json_is_object(entry)) {
      PrintLine("Error Parsing! Tileset mapping is not a valid object!");
      continue;
    }
    const json_t* id = json_object_get(entry, "id");
    const json_t* texture = json_object_get(entry, "texture");
    if (!json_is_integer(id) || !json_is_string(texture)) {
      PrintLine("Error parsing tileset mapping values!");
      continue;
    }
    // Tile maps store one character per tile: the value is its low 8 bits.
    const char value = static_cast<char>(static_cast<int8_t>(json_integer_value(id) & 0xFF));
    const std::string frameId = json_string_value(texture);
    ObjectLockPtr<SpriteFrame> frame = GetSprite(frameId);
    if (!frame.Exists()) {
      // The value still maps, to nothing: its tiles draw nothing.
      PrintErrorLine(path + ": tile set '" + QuotedName(tileSetName) + "' maps " +
                     std::to_string(static_cast<int>(static_cast<int8_t>(value))) + " to the frame \"" +
                     QuotedName(frameId) + "\", which no texture pack has; those tiles draw nothing");
    }
    tileSet->AddMapping(value, frame);
    if (IsVerbose()) {
      PrintLine("tileset[" + tileSetName + "]." + std::to_string(static_cast<int>(static_cast<int8_t>(value))) + " = " +
                frameId);
    }
  }
  if (IsVerbose()) PrintLine("tileset: " + tileSetName + " loaded!");
  return true;
}

namespace {

// A name that is not registered gives an empty reference and adds nothing:
// scripts look names up every frame, and each new one would be kept.
template <typename Registry, typename Key>
auto Find(const Registry& registry, const Key& key) -> ObjectLockPtr<typename Registry::mapped_type::element_type> {
  const auto found = registry.find(key);
  if (found == registry.end()) return {};
  return found->second;
}

}  // namespace

ObjectLockPtr<SpriteFrame> ResourceManager::GetSprite(std::string_view id) { return Find(spriteFrames_, id); }

ObjectLockPtr<Font> ResourceManager::GetFont(const std::string& id) { return Find(fonts_, id); }

ObjectLockPtr<SpriteAnimationHandle> ResourceManager::GetAnimation(const std::string& name) {
  return Find(animations_, name);
}

ObjectLockPtr<TileSet> ResourceManager::GetTileSet(const std::string& name) { return Find(tileSets_, name); }

ObjectLockPtr<Tilemap> ResourceManager::GetTilemap(int id) { return Find(tilemaps_, id); }

std::string ResourceManager::GetAnimFrameName(const char* name, unsigned index) const {
  if (name == nullptr) return {};
  const auto it = animFrameNames_.find(name);
  if (it == animFrameNames_.end() || index >= it->second.size()) return {};
  return it->second[index];
}

ObjectLockPtr<Tilemap> ResourceManager::CreateTilemap(int id) {
  std::shared_ptr<Tilemap>& slot = tilemaps_[id];
  slot.reset();
  slot = std::make_shared<Tilemap>();
  return slot;
}

}  // namespace Orv
