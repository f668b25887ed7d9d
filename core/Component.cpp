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
  // Setup declares names straight into the map: count them again when the
  // map holds names this function did not add.
  if (namesCounted_ != propertyNames.size()) {
    pastNamedIndices_ = 0;
    for (const auto& [name, declared] : propertyNames) pastNamedIndices_ = std::max(pastNamedIndices_, declared + 1);
  }
  // Past every named index, so only a stored value can hold the slot.
  unsigned index = pastNamedIndices_;
  while (propertyValues.count(index) != 0) ++index;
  propertyNames.emplace(key, index);
  pastNamedIndices_ = index + 1;
  namesCounted_ = propertyNames.size();
  return index;
}

const DataBun* Component::GetProperty(unsigned index) const {
  auto it = propertyValues.find(index);
  return it != propertyValues.end() ? &it->second : nullptr;
}

}  // namespace Orv
