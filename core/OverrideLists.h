#pragma once
// Changes to blueprint data for one creation: by component name and
// position, or by component name and key.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/DataBun.h"

namespace Orv {

struct IndexedOverride {
  std::string componentName;
  std::uint32_t index = 0;
  DataBun value;
};

struct NamedOverride {
  std::string componentName;
  std::string key;
  DataBun value;
};

struct OverrideLists {
  std::vector<IndexedOverride> indexed;
  std::vector<NamedOverride> named;

  void AddIndexedOverride(const std::string& componentName, std::uint32_t index, double value);
  void AddIndexedOverride(const std::string& componentName, std::uint32_t index, std::int32_t value);
  void AddIndexedOverride(const std::string& componentName, std::uint32_t index, const std::string& value);
  void AddNamedOverride(const std::string& componentName, const std::string& key, double value);
  void AddNamedOverride(const std::string& componentName, const std::string& key, const std::string& value);
  void AddNamedOverride(const std::string& componentName, const std::string& key, std::int32_t value);
  // The last change to the component's value at the index (the one that
  // wins), or null.
  const IndexedOverride* LastIndexed(std::string_view componentName, std::uint32_t index) const;
  bool HasNamed(std::string_view componentName, std::string_view key) const;
  bool Empty() const { return indexed.empty() && named.empty(); }
  void Clear() {
    indexed.clear();
    named.clear();
  }
};

}  // namespace Orv
