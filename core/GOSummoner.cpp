#include "core/GOSummoner.h"

#include <jansson.h>

#include <string>

#include "core/App.h"
#include "core/CreationPlace.h"
#include "core/JsonFile.h"
#include "core/OverrideLists.h"
#include "core/Report.h"

namespace Orv {

namespace {

constexpr const char* kSpawnListPath = "data/summoner.ini";

std::int32_t Truncate(json_int_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

// One member of "params": {"index": i, "value": v} overrides by position;
// {"value": {k: v, ...}} overrides by name. Any other shape adds nothing,
// which is said: a level file's array form looks right here and is not.
void AddParams(OverrideLists& overrides, const char* component, json_t* param, std::size_t entry,
               const char* typeName) {
  if (!json_is_object(param)) {
    PrintErrorLine(std::string(kSpawnListPath) + ": spawn entry " + std::to_string(entry) + " (" + typeName +
                   "): \"params\" member \"" + component +
                   "\" is not an object {\"index\": i, \"value\": v} or {\"value\": {...}}; it is ignored");
    return;
  }
  json_t* index = json_object_get(param, "index");
  json_t* value = json_object_get(param, "value");
  if (index != nullptr) {
    if (!json_is_integer(index)) return;
    const auto position = static_cast<std::uint32_t>(json_integer_value(index));
    if (json_is_integer(value)) {
      overrides.AddIndexedOverride(component, position, Truncate(json_integer_value(value)));
    } else if (json_is_real(value)) {
      overrides.AddIndexedOverride(component, position, json_real_value(value));
    } else if (json_is_string(value)) {
      overrides.AddIndexedOverride(component, position, std::string(json_string_value(value)));
    }
    return;
  }
  if (!json_is_object(value)) return;
  const char* key;
  json_t* member;
  json_object_foreach(value, key, member) {
    if (json_is_integer(member)) {
      overrides.AddNamedOverride(component, key, Truncate(json_integer_value(member)));
    } else if (json_is_real(member)) {
      overrides.AddNamedOverride(component, key, json_real_value(member));
    } else if (json_is_string(member)) {
      overrides.AddNamedOverride(component, key, std::string(json_string_value(member)));
    }
  }
}

// What a spawn entry lacks, member by member.
std::string EntryFault(json_t* name, json_t* id, json_t* params) {
  std::string faults;
  const auto add = [&faults](json_t* value, const char* member, const char* kind) {
    if (!faults.empty()) faults += ", ";
    faults += std::string("\"") + member + "\" " + (value == nullptr ? "is missing" : "is not " + std::string(kind));
  };
  if (!json_is_string(name)) add(name, "name", "a string");
  if (!json_is_integer(id)) add(id, "id", "an integer");
  if (!json_is_object(params)) add(params, "params", "an object");
  if (!json_is_object(params)) faults += " (\"params\": {} makes the object as its blueprint stands)";
  return faults;
}

}  // namespace

void GOSummoner::Start() {
  JsonFile document(kSpawnListPath);
  json_t* root = document.Root();
  if (root == nullptr) {
    PrintLine("Error loading summoner file! aborting...");
    // Without the place of the fault a typo in the list is hard to find.
    PrintLine(document.DescribeError());
    return;
  }
  json_t* spawn = json_object_get(root, "spawn");
  if (spawn == nullptr) {
    PrintLine("Spawn not found...aborting summoning..");
  } else if (!json_is_array(spawn)) {
    PrintLine("Spawn array not found..aborting summoning..");
  } else {
    PrintLine("Summoner says aloha!");
    // A type that cannot be made is said with this file as the place.
    const CreationPlace place(kSpawnListPath);
    std::size_t i;
    json_t* element;
    json_array_foreach(spawn, i, element) {
      if (!json_is_object(element)) continue;
      json_t* name = json_object_get(element, "name");
      json_t* id = json_object_get(element, "id");
      json_t* params = json_object_get(element, "params");
      if (!json_is_string(name) || !json_is_integer(id) || !json_is_object(params)) {
        // Only this entry fails; a forgotten "params" is the usual cause.
        PrintLine(std::string(kSpawnListPath) + ": spawn entry " + std::to_string(i + 1) +
                  (json_is_string(name) ? " (" + std::string(json_string_value(name)) + ")" : "") +
                  " is not made: " + EntryFault(name, id, params) + "; the other entries are made");
        continue;
      }
      const auto objectId = static_cast<unsigned>(json_integer_value(id));
      if (json_object_size(params) > 0) {
        OverrideLists overrides;
        const char* component;
        json_t* param;
        json_object_foreach(params, component, param) {
          AddParams(overrides, component, param, i + 1, json_string_value(name));
        }
        owner_->CreateObjectWithOverrides(json_string_value(name), objectId, &overrides, true);
      } else {
        owner_->CreateObject(json_string_value(name), objectId, true);
      }
    }
  }
}

}  // namespace Orv
