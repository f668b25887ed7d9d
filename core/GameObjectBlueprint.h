#pragma once
// The description of one game-object type: its components, in order, and
// the data each receives when an object of the type is made.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/ComponentCreate.h"
#include "core/DataBun.h"
#include "core/ObjectLockPtr.h"

namespace Orv {

class GameObject;

class GameObjectBlueprint {
 public:
  using IndexedData = std::map<std::uint32_t, DataBun>;
  using NamedData = std::map<std::string, DataBun>;
  struct ComponentEntry {
    std::uint32_t typeKey;
    ObjectLockPtr<ComponentCreate> factory;
  };

  GameObjectBlueprint(std::int32_t id, std::int32_t subId) : id(id), subId(subId) {}

  void AddComponentCreator(std::uint32_t typeKey, ObjectLockPtr<ComponentCreate> factory);
  void SetIndexedDataString(std::uint32_t typeKey, std::uint32_t index, const std::string& value);
  void SetIndexedDataInt(std::uint32_t typeKey, std::uint32_t index, std::int32_t value);
  void SetIndexedDataDouble(std::uint32_t typeKey, std::uint32_t index, double value);
  void SetNamedDataString(std::uint32_t typeKey, const std::string& key, const std::string& value);
  void SetNamedDataInt(std::uint32_t typeKey, const std::string& key, std::int32_t value);
  void SetNamedDataDouble(std::uint32_t typeKey, const std::string& key, double value);
  // Puts back a value GetIndexedData / GetNamedData gave: one of type 6
  // removes the entry.
  void RestoreIndexedData(std::uint32_t typeKey, std::uint32_t index, const DataBun& before);
  void RestoreNamedData(std::uint32_t typeKey, const std::string& key, const DataBun& before);
  // A copy of the stored value; type 6 when there is none.
  DataBun GetIndexedData(std::uint32_t typeKey, std::uint32_t index) const;
  DataBun GetNamedData(std::uint32_t typeKey, const std::string& key) const;

  // Makes each listed component, gives it its data and attaches it. Deferred
  // components are left out unless createDeferred is set.
  void Instantiate(const ObjectLockPtr<GameObject>& object, bool createDeferred) const;

  bool HasComponent(std::uint32_t typeKey) const;
  std::int32_t GetId() const { return id; }
  std::int32_t GetSubId() const { return subId; }
  const std::vector<ComponentEntry>& GetComponentEntries() const { return componentEntries; }

 private:
  void StoreIndexed(std::uint32_t typeKey, std::uint32_t index, DataBun value);
  void StoreNamed(std::uint32_t typeKey, const std::string& key, DataBun value);

  std::int32_t id;
  std::int32_t subId;
  // Per type key, so two entries of one type share one set of data.
  std::map<std::uint32_t, std::shared_ptr<IndexedData>> indexedData;
  std::map<std::uint32_t, std::shared_ptr<NamedData>> namedData;
  std::vector<ComponentEntry> componentEntries;
};

}  // namespace Orv
