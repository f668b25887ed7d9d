#include "core/GameObjectBlueprint.h"

#include "core/GameObject.h"

namespace Orv {

namespace {

DataBun Value(std::uint32_t index, std::uint32_t type) {
  DataBun value;
  value.index = index;
  value.type = type;
  return value;
}

}  // namespace

void GameObjectBlueprint::AddComponentCreator(std::uint32_t typeKey, ObjectLockPtr<ComponentCreate> factory) {
  componentEntries.push_back({typeKey, std::move(factory)});
}

void GameObjectBlueprint::StoreIndexed(std::uint32_t typeKey, std::uint32_t index, DataBun value) {
  auto& data = indexedData[typeKey];
  if (!data) data = std::make_shared<IndexedData>();
  (*data)[index] = std::move(value);
}

void GameObjectBlueprint::StoreNamed(std::uint32_t typeKey, const std::string& key, DataBun value) {
  auto& data = namedData[typeKey];
  if (!data) data = std::make_shared<NamedData>();
  (*data)[key] = std::move(value);
}

void GameObjectBlueprint::SetIndexedDataString(std::uint32_t typeKey, std::uint32_t index, const std::string& value) {
  DataBun bun = Value(index, DataString);
  bun.stringValue = value;
  StoreIndexed(typeKey, index, std::move(bun));
}

void GameObjectBlueprint::SetIndexedDataInt(std::uint32_t typeKey, std::uint32_t index, std::int32_t value) {
  DataBun bun = Value(index, DataInt);
  bun.intValue = value;
  StoreIndexed(typeKey, index, std::move(bun));
}

void GameObjectBlueprint::SetIndexedDataDouble(std::uint32_t typeKey, std::uint32_t index, double value) {
  DataBun bun = Value(index, DataReal);
  bun.realValue = value;
  StoreIndexed(typeKey, index, std::move(bun));
}

void GameObjectBlueprint::SetNamedDataString(std::uint32_t typeKey, const std::string& key, const std::string& value) {
  DataBun bun = Value(0, DataString);
  bun.stringValue = value;
  StoreNamed(typeKey, key, std::move(bun));
}

void GameObjectBlueprint::SetNamedDataInt(std::uint32_t typeKey, const std::string& key, std::int32_t value) {
  DataBun bun = Value(0, DataInt);
  bun.intValue = value;
  StoreNamed(typeKey, key, std::move(bun));
}

void GameObjectBlueprint::SetNamedDataDouble(std::uint32_t typeKey, const std::string& key, double value) {
  DataBun bun = Value(0, DataReal);
  bun.realValue = value;
  StoreNamed(typeKey, key, std::move(bun));
}

void GameObjectBlueprint::RestoreIndexedData(std::uint32_t typeKey, std::uint32_t index, const DataBun& before) {
  if (before.type != DataNone) {
    StoreIndexed(typeKey, index, before);
  } else if (auto data = indexedData.find(typeKey); data != indexedData.end() && data->second) {
    data->second->erase(index);
  }
}

void GameObjectBlueprint::RestoreNamedData(std::uint32_t typeKey, const std::string& key, const DataBun& before) {
  if (before.type != DataNone) {
    StoreNamed(typeKey, key, before);
  } else if (auto data = namedData.find(typeKey); data != namedData.end() && data->second) {
    data->second->erase(key);
  }
}

DataBun GameObjectBlueprint::GetIndexedData(std::uint32_t typeKey, std::uint32_t index) const {
  auto data = indexedData.find(typeKey);
  if (data == indexedData.end() || !data->second) return {};
  auto value = data->second->find(index);
  return value == data->second->end() ? DataBun{} : value->second;
}

DataBun GameObjectBlueprint::GetNamedData(std::uint32_t typeKey, const std::string& key) const {
  auto data = namedData.find(typeKey);
  if (data == namedData.end() || !data->second) return {};
  auto value = data->second->find(key);
  return value == data->second->end() ? DataBun{} : value->second;
}

bool GameObjectBlueprint::HasComponent(std::uint32_t typeKey) const {
  for (const auto& entry : componentEntries) {
    if (entry.typeKey == typeKey) return true;
  }
  return false;
}

void GameObjectBlueprint::Instantiate(const ObjectLockPtr<GameObject>& handle, bool createDeferred) const {
  auto object = handle.Lock();
  if (!object) return;
  for (const ComponentEntry& entry : componentEntries) {
    auto factory = entry.factory.Lock();
    if (!factory) continue;  // a replaced script factory: its entry has expired
    std::shared_ptr<Component> component = factory->Create();
    if (!component || (component->IsDeferred() && !createDeferred)) continue;
    component->Setup();
    if (auto data = indexedData.find(entry.typeKey); data != indexedData.end() && data->second) {
      for (const auto& [index, value] : *data->second) {
        switch (value.type) {
          case DataInt: component->SetIntProperty(index, value.intValue); break;
          case DataReal: component->SetRealProperty(index, value.realValue); break;
          case DataString: component->SetStringProperty(index, value.stringValue); break;
          default: break;
        }
      }
    }
    if (auto data = namedData.find(entry.typeKey); data != namedData.end() && data->second) {
      for (const auto& [key, value] : *data->second) {
        switch (value.type) {
          case DataInt: component->SetIntPropertyByName(key, value.intValue); break;
          case DataReal: component->SetRealPropertyByName(key, value.realValue); break;
          case DataString: component->SetStringPropertyByName(key, value.stringValue); break;
          default: break;
        }
      }
    }
    object->AddComponent(entry.typeKey, component);
    component->OnAttach(object.get());
  }
}

}  // namespace Orv
