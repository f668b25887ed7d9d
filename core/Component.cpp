#include "core/Component.h"

#include <algorithm>

namespace Orv {

void Component::SetIntProperty(unsigned index, int value) {
  DataBun& record = propertyValues[index] = DataBun{};
  record.intValue = value;
  record.type = DataInt;
  OnIntProperty(index, value);
}

void Component::SetRealProperty(unsigned index, double value) {
  DataBun& record = propertyValues[index] = DataBun{};
  record.realValue = value;
  record.type = DataReal;
  OnRealProperty(index, value);
}

void Component::SetStringProperty(unsigned index, const std::string& value) {
  DataBun& record = propertyValues[index] = DataBun{};
  record.stringValue = value.c_str();
  record.type = DataString;
  OnStringProperty(index, value.c_str());
}

void Component::SetRealPropertyByName(const std::string& key, double value) {
  SetRealProperty(GetPropertyIndex(key), value);
  OnRealPropertyByName(key, value);
}

void Component::SetIntPropertyByName(const std::string& key, int value) {
  SetIntProperty(GetPropertyIndex(key), value);
  OnIntPropertyByName(key, value);
}

void Component::SetStringPropertyByName(const std::string& key, const std::string& value) {
  SetStringProperty(GetPropertyIndex(key), value);
  OnStringPropertyByName(key, value);
}

unsigned Component::GetPropertyIndex(const std::string& key) {
  if (auto it = propertyNames.find(key); it != propertyNames.end()) return it->second;
  unsigned index = 0;
  for (const auto& [name, declared] : propertyNames) index = std::max(index, declared + 1);
  const auto taken = [this](unsigned candidate) {
    if (propertyValues.count(candidate) != 0) return true;
    return std::any_of(propertyNames.begin(), propertyNames.end(),
                       [candidate](const auto& entry) { return entry.second == candidate; });
  };
  while (taken(index)) ++index;
  propertyNames.emplace(key, index);
  return index;
}

const DataBun* Component::GetProperty(unsigned index) const {
  auto it = propertyValues.find(index);
  return it != propertyValues.end() ? &it->second : nullptr;
}

}  // namespace Orv
