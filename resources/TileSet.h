#pragma once
// A named mapping of tile values to the sprite frames that draw them.
#include <map>
#include <string>

#include "core/ObjectLockPtr.h"
#include "resources/SpriteSheet.h"

namespace Orv {

class TileSet {
 public:
  explicit TileSet(std::string name) : name_(std::move(name)) {}

  // The first mapping of a value stays; a later one is dropped.
  void AddMapping(char value, ObjectLockPtr<SpriteFrame> frame) { mapping_.emplace(value, std::move(frame)); }
  // Find-or-insert: an unmapped value gets an empty entry and an empty reference.
  ObjectLockPtr<SpriteFrame> GetFrame(char value) { return mapping_[value]; }

  const std::string& GetName() const { return name_; }
  const std::map<char, ObjectLockPtr<SpriteFrame>>& GetMapping() const { return mapping_; }

 private:
  std::string name_;
  std::map<char, ObjectLockPtr<SpriteFrame>> mapping_;
};

}  // namespace Orv
