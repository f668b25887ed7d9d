// The engine's game-object types: blueprints read from data/gameobjects/,
// the scripts of data/scripts/ attached to them, and creation from them.
#include <jansson.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "ScriptInterrupt.h"
#include "app/GameEngine.h"
#include "core/CreationPlace.h"
#include "core/FileUtils.h"
#include "core/GameObject.h"
#include "core/JsonFile.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "platform/Files.h"
#include "render/SpriteAnimComponent.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"

namespace Orv {

namespace {

constexpr const char* kBlueprintFolder = "data/gameobjects/";
constexpr const char* kScriptFolder = "data/scripts/";

// Blueprint data lines print the value the way the console streams it.
template <typename T>
std::string Text(const T& value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

void Trace(const std::string& line) {
  if (IsVerbose()) PrintLine(line);
}

std::int32_t Truncate(json_int_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

// The first of a blueprint's three members that is missing or of the wrong
// kind, as the writer of the file sees it: 3.0 is not an integer to JSON.
std::string StructureFault(json_t* name, json_t* id, json_t* components) {
  const auto fault = [](const char* member, json_t* value, const char* kind) {
    std::string line = std::string("the member \"") + member + "\" must be " + kind;
    if (value == nullptr) return line + ", and it is missing";
    char* text = json_dumps(value, JSON_ENCODE_ANY | JSON_COMPACT);
    std::string shown = text != nullptr ? text : "";
    std::free(text);
    if (shown.size() > 40) shown = shown.substr(0, 40) + "...";
    line += ", not " + shown;
    if (json_is_real(value) && std::trunc(json_real_value(value)) == json_real_value(value)) {
      line += " (write it without the decimal point)";
    }
    return line;
  };
  if (!json_is_string(name)) return fault("name", name, "a string");
  if (!json_is_integer(id)) return fault("id", id, "an integer");
  return fault("components", components, "an array");
}

}  // namespace

ObjectLockPtr<ComponentCreate> GameEngine::GetComponentCreator(const std::string& name) {
  return gameObjectManager.GetComponentCreator(name);
}

std::shared_ptr<GameObjectBlueprint> GameEngine::FindBlueprint(const std::string& typeName) const {
  auto it = blueprints.find(typeName);
  return it == blueprints.end() ? nullptr : it->second;
}

void GameEngine::LoadBlueprints() {
  std::vector<std::string> files;
  ListFiles((std::string(kBlueprintFolder) + "*.txt").c_str(), files, true);
  for (const std::string& file : files) LoadBlueprintFile(kBlueprintFolder + file);
}

// What a blueprint's component data can get wrong without breaking the file:
// a member name the component does not declare, and a JSON boolean, which
// no component reads. Each is said once, naming the file; the value is
// dropped as before.
class DataCheck {
 public:
  DataCheck(const std::string& path, const std::string& type, ComponentCreate& factory) : path_(path), type_(type) {
    // A script takes any name as a global of its own.
    if (type == "script") return;
    std::shared_ptr<Component> probe = factory.Create();
    probe->Setup();
    for (const auto& [declared, index] : probe->GetPropertyNames()) names_.push_back(declared);
  }

  void Member(const char* member, json_t* value) const {
    if (!names_.empty() && std::find(names_.begin(), names_.end(), member) == names_.end()) {
      PrintErrorLine(path_ + ": the " + type_ + " component has no member \"" + member + "\"; it is ignored");
    } else if (json_is_boolean(value)) {
      Boolean("member \"" + std::string(member) + "\"");
    }
  }
  void Position(std::uint32_t position, json_t* value) const {
    if (json_is_boolean(value)) Boolean("data[" + std::to_string(position) + "]");
  }

 private:
  void Boolean(const std::string& what) const {
    PrintErrorLine(path_ + ": " + type_ + " " + what +
                   " is a JSON true or false, which components do not read; it is ignored (a flag is written as "
                   "the text \"true\" or \"false\", or as 1 or 0, as the component reads it)");
  }

  const std::string& path_;
  const std::string& type_;
  std::vector<std::string> names_;
};

// Stores one element of a component's "data" array: by position, or by name
// for each member of an object. Booleans, nulls and arrays carry nothing.
static void StoreData(GameObjectBlueprint& blueprint, std::uint32_t key, const std::string& name,
                      const std::string& type, std::uint32_t position, json_t* element, const DataCheck& check) {
  const std::string prefix = "  ->" + name + "." + type + "[";
  check.Position(position, element);
  if (json_is_string(element)) {
    blueprint.SetIndexedDataString(key, position, json_string_value(element));
    Trace(prefix + Text(position) + "] = " + json_string_value(element) + " [S]");
  } else if (json_is_integer(element)) {
    const std::int32_t value = Truncate(json_integer_value(element));
    blueprint.SetIndexedDataInt(key, position, value);
    Trace(prefix + Text(position) + "] = " + Text(value) + " [I]");
  } else if (json_is_real(element)) {
    blueprint.SetIndexedDataDouble(key, position, json_real_value(element));
    Trace(prefix + Text(position) + "] = " + Text(json_real_value(element)) + " [D]");
  } else if (json_is_object(element)) {
    const char* member;
    json_t* value;
    json_object_foreach(element, member, value) {
      check.Member(member, value);
      if (json_is_integer(value)) {
        blueprint.SetNamedDataInt(key, member, Truncate(json_integer_value(value)));
        Trace(prefix + member + "] = " + Text(Truncate(json_integer_value(value))) + " [I]");
      } else if (json_is_real(value)) {
        blueprint.SetNamedDataDouble(key, member, json_real_value(value));
        Trace(prefix + member + "] = " + Text(json_real_value(value)) + " [D]");
      } else if (json_is_string(value)) {
        blueprint.SetNamedDataString(key, member, json_string_value(value));
        Trace(prefix + member + "] = " + json_string_value(value) + " [S]");
      }
    }
  }
}

// The animation a sprite names is looked up at each creation and, when it is
// not there, the object shows nothing: said once, with the file.
static void CheckAnimationName(const GameObjectBlueprint& blueprint, std::uint32_t key, const std::string& path) {
  const DataBun named = blueprint.GetNamedData(key, "textureid");
  const DataBun indexed = blueprint.GetIndexedData(key, SpriteAnimComponent::TextureId);
  const DataBun& name = named.type == DataString ? named : indexed;
  if (name.type != DataString || ResourceManager::GetInstance().GetAnimation(name.stringValue).Exists()) return;
  PrintErrorLine(path + ": spriteanim names the animation \"" + name.stringValue +
                 "\", which no res/anims/*.anim file has; its objects show no sprite");
}

bool GameEngine::LoadBlueprintFile(const std::string& path) {
  JsonFile document(path);
  json_t* root = document.Root();
  if (root == nullptr) {
    // One report, the box, saying where the file went wrong.
    ShowMessage("Error! Unable to load " + (document.IsBroken() ? document.DescribeError() : path));
    unnamedFailedBlueprints_[std::filesystem::path(path).stem().string()] = path;
    return false;
  }
  json_t* nameValue = json_object_get(root, "name");
  json_t* idValue = json_object_get(root, "id");
  json_t* components = json_object_get(root, "components");
  if (!json_is_string(nameValue) || !json_is_integer(idValue) || !json_is_array(components)) {
    ShowMessage(path + ": " + StructureFault(nameValue, idValue, components) + "; the blueprint is not loaded");
    unnamedFailedBlueprints_[std::filesystem::path(path).stem().string()] = path;
    return false;
  }
  const std::string name = json_string_value(nameValue);
  json_t* subIdValue = json_object_get(root, "sub_id");
  const std::int32_t subId = json_is_integer(subIdValue) ? Truncate(json_integer_value(subIdValue)) : -1;
  Trace("Inspecting GO of " + name + "...\n");

  auto blueprint = std::make_shared<GameObjectBlueprint>(Truncate(json_integer_value(idValue)), subId);
  bool ok = true;
  std::size_t i;
  json_t* element;
  json_array_foreach(components, i, element) {
    if (!json_is_object(element)) {
      ShowMessage(path + " does not contain a components array");
      ok = false;
      continue;
    }
    json_t* typeValue = json_object_get(element, "type");
    json_t* data = json_object_get(element, "data");
    if (!json_is_string(typeValue) || !json_is_array(data)) {
      ShowMessage(path + "'s component does not contain a correct type id format or data format!");
      ok = false;
      continue;
    }
    const std::string type = json_string_value(typeValue);
    const std::uint32_t key = gameObjectManager.GetComponentTypeKey(type);
    ObjectLockPtr<ComponentCreate> factory = GetComponentCreator(type);
    if (key == kNoTypeKey || !factory.Exists()) {
      // Among many files the box says which one.
      ShowMessage(path + ": " + type + " component does not exist!");
      ok = false;
      continue;
    }
    Trace(" ->Adding Component " + type + " to GO type " + name + "...");
    std::size_t position;
    json_t* value;
    const DataCheck check(path, type, *factory.Lock());
    json_array_foreach(data, position, value) {
      StoreData(*blueprint, key, name, type, static_cast<std::uint32_t>(position), value, check);
    }
    if (type == "spriteanim") CheckAnimationName(*blueprint, key, path);
    blueprint->AddComponentCreator(key, factory);
    Trace(" ->Component " + type + "(" + Text(key) + ")" + " added!\n");
  }
  if (!ok) {
    // Its script and its creations say so once, naming this file.
    failedBlueprints_[name] = path;
    return false;
  }
  failedBlueprints_.erase(name);
  // Files load in name order and the last one wins; say so, or an old copy
  // left beside the real file would replace it unseen.
  if (auto earlier = blueprintFiles.find(name); earlier != blueprintFiles.end() && earlier->second != path) {
    PrintLine("Blueprint '" + name + "' of " + path + " replaces the one of " + earlier->second);
  }
  blueprintFiles[name] = path;
  blueprints[name] = blueprint;
  Trace("Blueprint of type: " + name + " registered\n");
  return true;
}

void GameEngine::LoadGameObjectScripts() {
  std::vector<std::string> files;
  ListFiles((std::string(kScriptFolder) + "*.lua").c_str(), files, false);
  for (const std::string& file : files) LoadGameObjectScriptFile(kScriptFolder + file, file);
  // A script component without its file runs nothing; when other types have
  // theirs, the missing one is a mistake in a name.
  if (scriptFactories.empty()) return;
  for (const auto& [type, blueprint] : blueprints) {
    if (!blueprint->HasComponent(TypeKey<ScriptComponent>()) || scriptFactories.count(type) != 0) continue;
    PrintErrorLine(blueprintFiles[type] + ": the type " + type + " has a script component but no " + kScriptFolder +
                   type + ".lua; its objects run no script");
  }
}

std::string GameEngine::ScriptTypeName(const std::string& fileName) {
  std::string words = fileName;
  for (char& c : words) {
    if (c == '.') c = ' ';
  }
  std::istringstream in(words);
  std::string type;
  in >> type;
  return type;
}

void GameEngine::LoadGameObjectScriptFile(const std::string& path, const std::string& fileName) {
  Trace("loading..script:" + path + " > " + fileName);
  std::optional<std::string> text = Platform::ReadTextFile(path);
  if (!text) {
    PrintLineAndShowMessage("Error loading script file: " + path);
    return;
  }
  const std::string type = ScriptTypeName(fileName);
  if (type.empty()) {
    PrintLineAndShowMessage("Error Extracting GameObject Type name: " + path);
    return;
  }
  std::shared_ptr<GameObjectBlueprint> blueprint = FindBlueprint(type);
  if (!blueprint) {
    // The blueprint's own box told the mistake; the script is not the cause.
    if (auto failed = failedBlueprints_.find(type); failed != failedBlueprints_.end()) {
      PrintErrorLine(path + " is not attached: the blueprint of " + type + " (" + failed->second + ") did not load");
      return;
    }
    // A blueprint that broke before its name was read is likely the one.
    if (auto failed = unnamedFailedBlueprints_.find(type); failed != unnamedFailedBlueprints_.end()) {
      PrintErrorLine(path + " is not attached: no blueprint names the type " + type + ", and " + failed->second +
                     ", the blueprint file of that name, did not load");
      return;
    }
    PrintLineAndShowMessage("Error GameObject name not found: " + path);
    return;
  }
  Trace("script of " + type + " found!");
  if (auto earlier = scriptFactories.find(type); earlier != scriptFactories.end()) {
    const auto* creator = dynamic_cast<const ScriptComponentCreator*>(earlier->second.get());
    if (creator != nullptr && creator->GetScript()->GetName() != path) {
      PrintLine("Script " + path + " replaces " + creator->GetScript()->GetName() + " for " + type);
    }
  }
  // An earlier script of the type is released here, so its entry expires.
  auto factory = std::make_shared<ScriptComponentCreator>(std::move(*text), path);
  scriptFactories[type] = factory;
  blueprint->AddComponentCreator(TypeKey<ScriptComponent>(),
                                 ObjectLockPtr<ComponentCreate>(std::static_pointer_cast<ComponentCreate>(factory)));
  PrintLine(type + "'s script successfully loaded");
}

std::vector<ArcheTypeInfo> GameEngine::ArcheTypeQuery(const std::string& componentName, const std::uint32_t* index,
                                                      const std::string* key) const {
  std::vector<ArcheTypeInfo> records;
  const std::uint32_t typeKey = gameObjectManager.GetComponentTypeKey(componentName);
  if (typeKey == kNoTypeKey) return records;
  for (const auto& [typeName, blueprint] : blueprints) {
    if (!blueprint->HasComponent(typeKey)) continue;
    ArcheTypeInfo record;
    record.id = blueprint->GetId();
    record.subId = blueprint->GetSubId();
    record.typeName = typeName;
    record.value =
        index != nullptr ? blueprint->GetIndexedData(typeKey, *index) : blueprint->GetNamedData(typeKey, *key);
    records.push_back(std::move(record));
  }
  return records;
}

std::vector<ArcheTypeInfo> GameEngine::GetArcheTypeInfoByIndex(const std::string& componentName, unsigned index) {
  const std::uint32_t position = index;
  return ArcheTypeQuery(componentName, &position, nullptr);
}

std::vector<ArcheTypeInfo> GameEngine::GetArcheTypeInfoByKey(const std::string& componentName, const std::string& key) {
  return ArcheTypeQuery(componentName, nullptr, &key);
}

// Writes the overrides into the blueprint itself: they stay in force for
// every later creation of the type, as content expects.
static void ApplyOverrides(GameObjectBlueprint& blueprint, const OverrideLists& overrides,
                           const GameObjectManager& manager) {
  for (const IndexedOverride& record : overrides.indexed) {
    const std::uint32_t key = manager.GetComponentTypeKey(record.componentName);
    if (key == kNoTypeKey) continue;
    switch (record.value.type) {
      case DataInt: blueprint.SetIndexedDataInt(key, record.index, record.value.intValue); break;
      case DataReal: blueprint.SetIndexedDataDouble(key, record.index, record.value.realValue); break;
      case DataString: blueprint.SetIndexedDataString(key, record.index, record.value.stringValue); break;
      default: break;
    }
  }
  for (const NamedOverride& record : overrides.named) {
    const std::uint32_t key = manager.GetComponentTypeKey(record.componentName);
    if (key == kNoTypeKey) continue;
    switch (record.value.type) {
      case DataInt: blueprint.SetNamedDataInt(key, record.key, record.value.intValue); break;
      case DataReal: blueprint.SetNamedDataDouble(key, record.key, record.value.realValue); break;
      case DataString: blueprint.SetNamedDataString(key, record.key, record.value.stringValue); break;
      default: break;
    }
  }
}

ObjectLockPtr<GameObject> GameEngine::CreateGameObject(const std::string& typeName, unsigned id,
                                                       const OverrideLists* overrides, bool createDeferred) {
  std::shared_ptr<GameObjectBlueprint> blueprint = FindBlueprint(typeName);
  if (!blueprint) return {};
  ObjectLockPtr<GameObject> object = gameObjectManager.CreateGameObject(id);
  if (overrides != nullptr) ApplyOverrides(*blueprint, *overrides, gameObjectManager);
  blueprint->Instantiate(object, createDeferred);
  PrintLine("Game Object(" + typeName + ") is created!");
  return object;
}

ObjectLockPtr<GameObject> GameEngine::CreateChildGameObject(const ObjectLockPtr<GameObject>& parent,
                                                            const std::string& typeName, unsigned id,
                                                            const OverrideLists* overrides, bool createDeferred) {
  ObjectLockPtr<GameObject> object = CreateGameObject(typeName, id, overrides, createDeferred);
  if (Lives(parent)) {
    auto parentObject = parent.Lock();
    // A failed creation leaves an empty entry that the parent's next prune drops.
    parentObject->AddChild(object);
    if (auto child = object.Lock()) child->SetParentUniqueId(parentObject->GetUniqueId());
  }
  return object;
}

ObjectLockPtr<GameObject> GameEngine::Announce(ObjectLockPtr<GameObject> object, const std::string& typeName) {
  if (!object.Exists()) {
    // Once per type: a spawner asking every frame would bury the game in boxes.
    if (!FirstReportOfName("Object cannot be created", typeName)) return object;
    std::string why = "no blueprint names the type";
    if (auto failed = failedBlueprints_.find(typeName); failed != failedBlueprints_.end()) {
      why = "its blueprint " + failed->second + " did not load";
    } else if (auto file = unnamedFailedBlueprints_.find(typeName); file != unnamedFailedBlueprints_.end()) {
      why = "no blueprint names the type, and " + file->second + ", the blueprint file of that name, did not load";
    }
    std::string place = OrvLua::RunningScriptPlace();
    if (place.empty()) place = CreationPlace::Current();
    PrintErrorLine("Error! Object of type " + QuotedName(typeName) + " cannot be created: " + why +
                   (place.empty() ? "" : " (asked for at " + place + ")"));
    ShowMessage("Error! Object of type " + QuotedName(typeName) + " cannot be created!!");
    return object;
  }
  AnnounceGameObject(object);
  return object;
}

ObjectLockPtr<GameObject> GameEngine::CreateObjectWithOverrides(std::string typeName, unsigned id,
                                                                OverrideLists* overrides, bool createDeferred) {
  return Announce(CreateGameObject(typeName, id, overrides, createDeferred), typeName);
}

ObjectLockPtr<GameObject> GameEngine::CreateObject(std::string typeName, unsigned id, bool createDeferred) {
  return Announce(CreateGameObject(typeName, id, nullptr, createDeferred), typeName);
}

ObjectLockPtr<GameObject> GameEngine::CreateObjectWithOwnOverrides(std::string typeName, unsigned id,
                                                                   const OverrideLists& overrides,
                                                                   bool createDeferred) {
  std::shared_ptr<GameObjectBlueprint> blueprint = FindBlueprint(typeName);
  if (!blueprint) return Announce({}, typeName);
  // What the overrides replace, to be put back once the object is made and
  // before it is announced: a script run then makes its objects from the
  // blueprint as it was.
  std::vector<std::pair<std::uint32_t, const IndexedOverride*>> indexed;
  std::vector<DataBun> indexedBefore;
  for (const IndexedOverride& record : overrides.indexed) {
    const std::uint32_t key = gameObjectManager.GetComponentTypeKey(record.componentName);
    if (key == kNoTypeKey) continue;
    indexed.emplace_back(key, &record);
    indexedBefore.push_back(blueprint->GetIndexedData(key, record.index));
  }
  std::vector<std::pair<std::uint32_t, const NamedOverride*>> named;
  std::vector<DataBun> namedBefore;
  for (const NamedOverride& record : overrides.named) {
    const std::uint32_t key = gameObjectManager.GetComponentTypeKey(record.componentName);
    if (key == kNoTypeKey) continue;
    named.emplace_back(key, &record);
    namedBefore.push_back(blueprint->GetNamedData(key, record.key));
  }
  ObjectLockPtr<GameObject> object = CreateGameObject(typeName, id, &overrides, createDeferred);
  // In reverse, so a key overridden twice gets its first value back.
  for (std::size_t i = indexed.size(); i-- > 0;) {
    blueprint->RestoreIndexedData(indexed[i].first, indexed[i].second->index, indexedBefore[i]);
  }
  for (std::size_t i = named.size(); i-- > 0;) {
    blueprint->RestoreNamedData(named[i].first, named[i].second->key, namedBefore[i]);
  }
  return Announce(std::move(object), typeName);
}

ObjectLockPtr<GameObject> GameEngine::CreateChildObjectWithOverrides(ObjectLockPtr<GameObject> parent,
                                                                     std::string typeName, unsigned id,
                                                                     OverrideLists* overrides, bool createDeferred) {
  return Announce(CreateChildGameObject(parent, typeName, id, overrides, createDeferred), typeName);
}

ObjectLockPtr<GameObject> GameEngine::CreateChildObject(ObjectLockPtr<GameObject> parent, std::string typeName,
                                                        unsigned id, bool createDeferred) {
  return Announce(CreateChildGameObject(parent, typeName, id, nullptr, createDeferred), typeName);
}

}  // namespace Orv
