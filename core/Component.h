#pragma once
// The base of every component: its parameters by name and index, the last
// value set for each, and the hooks through which a subclass takes values
// into its own fields.
#include <cstddef>
#include <map>
#include <string>

#include "core/DataBun.h"

struct TwBar;

namespace Orv {

class GameObject;

class Component {
 public:
  Component() = default;
  virtual ~Component() = default;
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  // Right after creation: declares the property names and sets the defaults.
  virtual void Setup() = 0;
  // When the dead object leaves the manager at the end of the frame.
  virtual void Shutdown() = 0;
  // Once the component is in its object's component map.
  virtual void OnAttach(GameObject* /*owner*/) {}
  virtual void AddToTweakBar(TwBar* /*bar*/) {}
  // A deferred component is left out of creations that ask for none.
  virtual bool IsDeferred() { return false; }
  virtual void OnIntProperty(unsigned /*index*/, int /*value*/) {}
  virtual void OnStringProperty(unsigned /*index*/, const char* /*value*/) {}
  virtual void OnRealProperty(unsigned /*index*/, double /*value*/) {}
  virtual void OnRealPropertyByName(const std::string& /*key*/, double /*value*/) {}
  virtual void OnIntPropertyByName(const std::string& /*key*/, int /*value*/) {}
  virtual void OnStringPropertyByName(const std::string& /*key*/, const std::string& /*value*/) {}
  // The owner's script has had its Update: what was kept for it to read this
  // frame may go.
  virtual void OnScriptUpdated() {}
  // The owner was just made a child that its parent carries.
  virtual void OnMounted() {}

  // Each stores a whole new record under the index, then calls its hook.
  void SetIntProperty(unsigned index, int value);
  void SetRealProperty(unsigned index, double value);
  // Text past a zero character is not kept.
  void SetStringProperty(unsigned index, const std::string& value);
  // The index of key, then the index setter and the by-name hook.
  void SetRealPropertyByName(const std::string& key, double value);
  void SetIntPropertyByName(const std::string& key, int value);
  void SetStringPropertyByName(const std::string& key, const std::string& value);

  // The declared index of key. A key Setup never declared is given an index
  // of its own, the first one past the declared ones that holds no value, so
  // two undeclared keys never read each other's values and never overwrite a
  // declared property.
  unsigned GetPropertyIndex(const std::string& key);
  // The record stored under index, or null when nothing was set there.
  const DataBun* GetProperty(unsigned index) const;

  const std::map<std::string, unsigned>& GetPropertyNames() const { return propertyNames; }
  const std::map<unsigned, DataBun>& GetPropertyValues() const { return propertyValues; }

 protected:
  std::map<std::string, unsigned> propertyNames;
  std::map<unsigned, DataBun> propertyValues;

 private:
  // One past the highest index in propertyNames, as of the moment the map
  // held namesCounted_ names: keys met by name cost no walk over the map.
  unsigned pastNamedIndices_ = 0;
  std::size_t namesCounted_ = 0;
};

}  // namespace Orv
