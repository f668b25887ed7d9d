#pragma once
// The level-object file: the editor's records as a "spawn" list that creates
// every object again with its saved place, id and pick shape. Text and
// documents only; reading and writing files and creating objects are the
// editor system's.
#include <jansson.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/OverrideLists.h"
#include "editor/EditorObjectStore.h"

namespace Orv {

// The whole file for the records in key order. Records without a name are
// left out; names and shapes are escaped, so every file written reads back.
std::string LevelObjectText(const std::map<std::uint32_t, EditorObjectRecord>& records);

// One element of "spawn". Without a string "name", an integer "id" and an
// object "params" it is not valid and creates nothing. Where its editable
// gives no type name or id, its overrides end with the entry's own.
struct LevelObjectEntry {
  // Counted from 1 among all elements of "spawn", for messages.
  std::size_t position = 0;
  bool valid = false;
  std::string name;
  std::uint32_t id = 0;
  OverrideLists overrides;
};

struct LevelObjectList {
  enum Status { Read, SpawnMissing, SpawnNotArray };
  Status status = Read;
  // In file order; elements that are not objects are not here.
  std::vector<LevelObjectEntry> entries;
};

LevelObjectList ReadLevelObjectList(json_t* root);

}  // namespace Orv
