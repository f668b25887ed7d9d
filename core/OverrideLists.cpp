#include "core/OverrideLists.h"

namespace Orv {

namespace {

DataBun Real(std::uint32_t index, double value) {
  DataBun bun;
  bun.index = index;
  bun.realValue = value;
  bun.type = DataReal;
  return bun;
}

DataBun Int(std::uint32_t index, std::int32_t value) {
  DataBun bun;
  bun.index = index;
  bun.intValue = value;
  bun.type = DataInt;
  return bun;
}

DataBun String(std::uint32_t index, const std::string& value) {
  DataBun bun;
  bun.index = index;
  bun.stringValue = value;
  bun.type = DataString;
  return bun;
}

}  // namespace

void OverrideLists::AddIndexedOverride(const std::string& componentName, std::uint32_t index, double value) {
  indexed.push_back({componentName, index, Real(index, value)});
}
void OverrideLists::AddIndexedOverride(const std::string& componentName, std::uint32_t index, std::int32_t value) {
  indexed.push_back({componentName, index, Int(index, value)});
}
void OverrideLists::AddIndexedOverride(const std::string& componentName, std::uint32_t index,
                                       const std::string& value) {
  indexed.push_back({componentName, index, String(index, value)});
}
void OverrideLists::AddNamedOverride(const std::string& componentName, const std::string& key, double value) {
  named.push_back({componentName, key, Real(0, value)});
}
void OverrideLists::AddNamedOverride(const std::string& componentName, const std::string& key,
                                     const std::string& value) {
  named.push_back({componentName, key, String(0, value)});
}
void OverrideLists::AddNamedOverride(const std::string& componentName, const std::string& key, std::int32_t value) {
  named.push_back({componentName, key, Int(0, value)});
}

const IndexedOverride* OverrideLists::LastIndexed(std::string_view componentName, std::uint32_t index) const {
  const IndexedOverride* found = nullptr;
  for (const IndexedOverride& record : indexed) {
    if (record.componentName == componentName && record.index == index) found = &record;
  }
  return found;
}

bool OverrideLists::HasNamed(std::string_view componentName, std::string_view key) const {
  for (const NamedOverride& record : named) {
    if (record.componentName == componentName && record.key == key) return true;
  }
  return false;
}

}  // namespace Orv
