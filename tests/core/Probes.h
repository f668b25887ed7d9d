#pragma once
// Test components that write every call they receive into one shared log.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Component.h"
#include "core/GameObject.h"
#include "core/TypeKey.h"

namespace Orv::Testing {

inline std::vector<std::string>& CallLog() {
  static std::vector<std::string> log;
  return log;
}

// A component filed under Named's type key, so tests can mix probes and real
// types in one object and see the key order.
template <typename Named>
class Probe : public Component {
 public:
  static constexpr std::string_view RunTimeName = Named::RunTimeName;

  void Setup() override {
    propertyNames["hp"] = 0;
    propertyNames["speed"] = 1;
    Log("Setup");
  }
  void Shutdown() override { Log("Shutdown"); }
  void AddToTweakBar(TwBar*) override { Log("AddToTweakBar"); }
  void OnIntProperty(unsigned index, int value) override {
    Log("OnIntProperty " + std::to_string(index) + " " + std::to_string(value));
  }
  void OnStringProperty(unsigned index, const char* value) override {
    Log("OnStringProperty " + std::to_string(index) + " " + value);
  }
  void OnRealProperty(unsigned index, double value) override {
    Log("OnRealProperty " + std::to_string(index) + " " + std::to_string(value));
  }
  void OnRealPropertyByName(const std::string& key, double value) override {
    Log("OnRealPropertyByName " + key + " " + std::to_string(value));
  }
  void OnIntPropertyByName(const std::string& key, int value) override {
    Log("OnIntPropertyByName " + key + " " + std::to_string(value));
  }
  void OnStringPropertyByName(const std::string& key, const std::string& value) override {
    Log("OnStringPropertyByName " + key + " " + value);
  }
  void OnScriptUpdated() override { Log("OnScriptUpdated"); }
  void OnMounted() override { Log("OnMounted"); }

 private:
  void Log(const std::string& call) { CallLog().push_back(std::string(RunTimeName) + ": " + call); }
};

// Names for probes that stand for no engine type.
struct NameA {
  static constexpr std::string_view RunTimeName = "class Orv::ProbeA";
};
struct NameB {
  static constexpr std::string_view RunTimeName = "class Orv::ProbeB";
};
struct NameC {
  static constexpr std::string_view RunTimeName = "class Orv::ProbeC";
};

template <typename Named>
std::shared_ptr<Probe<Named>> AttachProbe(GameObject& object) {
  auto probe = std::make_shared<Probe<Named>>();
  probe->Setup();
  object.AddComponent(TypeKey<Probe<Named>>(), probe);
  return probe;
}

}  // namespace Orv::Testing
