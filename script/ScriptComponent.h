#pragma once
// Makes a game object scripted: its own Lua state, its script, the attributes
// its blueprint hands over, the functors behind its script functions, its
// event variables and a pending kill. Every system talks to the object's
// state through the services here. Its own script functions are defined in
// ScriptComponentScript.cpp.
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "CallCache.h"
#include "LuaObject.h"
#include "LuaState.h"
#include "ScriptRegistration.h"
#include "core/BasicEntitySystem.h"
#include "core/ComponentCreate.h"
#include "core/DataBun.h"
#include "core/System.h"
#include "script/FunctorArena.h"
#include "script/ScriptChunk.h"

namespace Orv {

class GameObject;

class ScriptComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::ScriptComponent";

  ScriptComponent();
  explicit ScriptComponent(std::string scriptText);
  // The chunk is shared by every object of one type: compiled once.
  explicit ScriptComponent(ScriptChunkPtr script);
  // Closes the state if the object was dropped without a sweep (the engine's
  // own teardown), so the state never outlives the functors its closures call.
  ~ScriptComponent() override;

  // Setup runs the extra scripts; Shutdown closes the state; attaching
  // registers the component's own script functions. The state and this
  // work wait for the state's first use (see Materialize).
  void Setup() override;
  void Shutdown() override { CloseState(); }
  void OnAttach(GameObject* owner) override;
  // Objects made inactive get no script at all.
  bool IsDeferred() override { return true; }
  void OnRealPropertyByName(const std::string& key, double value) override { SetNamedAttribute(key, value); }
  void OnIntPropertyByName(const std::string& key, int value) override { SetNamedAttribute(key, value); }
  void OnStringPropertyByName(const std::string& key, const std::string& value) override {
    SetNamedAttribute(key, value);
  }

  // Runs the shared scripts in this state now.
  void RunExtraScripts();
  // A key given twice gives two records; the later one wins as a global.
  void SetNamedAttribute(const std::string& key, double value);
  void SetNamedAttribute(const std::string& key, int value);
  void SetNamedAttribute(const std::string& key, const std::string& value);
  // Registers the component's own script functions now.
  void RegisterScriptFunctions(GameObject* owner);
  // Publishes the attributes as globals, then runs the script; it is loaded
  // on success. Also "ReloadScript".
  void RunScript();
  // From then on the component never touches the state again.
  void CloseState();

  // Null once the state has been closed.
  OrvLua::LuaState* GetState() { return Materialize(); }
  // Asks a walk that calls the script each frame to fetch, ahead of the
  // entry's next turn, what the call made last read first: this component's
  // fields and what the call cache names in the state.
  void SetCallPrefetch(EntityRecord& entry) const;
  // The script's file, or "script" for one made without a file: error lines
  // name it.
  const std::string& GetScriptPath() const { return script_->GetName(); }

  // Values made in this component's state; without a state, an unbound nil.
  OrvLua::LuaObject NewTable();
  OrvLua::LuaObject MakeNumber(double value);
  OrvLua::LuaObject MakeInteger(int value);
  OrvLua::LuaObject MakeString(const char* value);
  OrvLua::LuaObject MakeNil();
  OrvLua::LuaObject GetGlobal(const char* name);
  // How systems publish their script constants.
  void SetGlobalInteger(const char* name, int value);
  // fields: how many keys the table will hold, so it is made at that size.
  OrvLua::LuaObject CreateGlobalTable(const char* name, int fields = 0);
  // Calls the global function name, protected, only while the script is
  // loaded and the global is a function; its one result, an unbound nil for
  // none (or a nil).
  // An error is reported as one line naming the script and the function, and
  // gives an unbound nil.
  OrvLua::LuaObject CallGlobalFunction(const char* name);
  OrvLua::LuaObject CallGlobalFunction(const char* name, double number);
  OrvLua::LuaObject CallGlobalFunction(const char* name, const OrvLua::LuaObject& value);
  // The value must be bound to this state (for example a message table made
  // by CopyTableToState).
  OrvLua::LuaObject CallGlobalFunction(const char* name, double number, const OrvLua::LuaObject& value);

  // globals[name] = callee->*member. Nothing happens without a state.
  // Systems live for the whole run, so their functions share one callee
  // buffer across every state; any other callee's buffer is kept here.
  template <typename Callee, typename Member>
  void RegisterDirect(const char* name, Callee* callee, Member member) {
    OrvLua::LuaState* target = GetState();
    if (!target) return;
    if constexpr (std::is_base_of_v<System, Callee>) {
      OrvCall::RegisterShared(target, name, callee, member);
    } else {
      OrvCall::RegisterDirectInPlace(
          target, name,
          inPlace_.Make<OrvCall::CalleeBuffer<Callee, Member>>(OrvCall::CalleeBuffer<Callee, Member>{callee, member}));
    }
  }
  // Registers the functor's call operator under name and keeps the functor
  // for as long as the state can call it. Without a state, nothing.
  template <typename Functor>
  void RegisterFunctor(const char* name, std::shared_ptr<Functor> functor) {
    if (!GetState() || !functor) return;
    RegisterDirect(name, functor.get(), &Functor::operator());
    functors_.push_back(std::move(functor));
  }
  // Makes the functor from args and registers it, in one call; nothing is
  // made without a state. A functor of plain bytes is kept by its closure,
  // any other here.
  template <typename Functor, typename... Args>
  void RegisterNewFunctor(const char* name, Args&&... args) {
    OrvLua::LuaState* target = GetState();
    if (!target) return;
    if constexpr (OrvCall::kFunctorFitsUpvalue<Functor>) {
      OrvCall::RegisterFunctorInUpvalue(target, name, Functor(std::forward<Args>(args)...));
    } else {
      OrvCall::RegisterFunctorInPlace(target, name, inPlace_.Make<Functor>(std::forward<Args>(args)...));
    }
  }

  // The component's own script functions (callee: the component).
  void ReloadScript() { RunScript(); }
  OrvLua::LuaObject GetGlobalVar(const char* name);
  void SetGlobalVarReal(const char* name, double value);
  void SetGlobalVarInt(const char* name, int value);
  void SetGlobalVarString(const char* name, const char* value);
  void SetGlobalVarNil(const char* name);
  void ClearAllGlobalVars();
  void SetEventVarString(const char* key, const char* value);
  void SetEventVarInteger(const char* key, int value);
  void SetEventVarReal(const char* key, double value);

  // The attribute functions, bound to the owning object: the object owns the
  // component, so it outlives every closure of the state.
  class AttributeFunc {
   public:
    explicit AttributeFunc(GameObject* object) : object_(object) {}
    void SetStringAttribKey(const char* component, const char* key, const char* value);
    void SetIntAttribKey(const char* component, const char* key, int value);
    void SetRealAttribKey(const char* component, const char* key, double value);
    const char* GetStringAttribKey(const char* component, const char* key);
    int GetIntAttribKey(const char* component, const char* key);
    double GetRealAttribKey(const char* component, const char* key);
    void SetStringAttribIndex(const char* component, unsigned index, const char* value);
    void SetIntAttribIndex(const char* component, unsigned index, int value);
    void SetRealAttribIndex(const char* component, unsigned index, double value);
    const char* GetStringAttribIndex(const char* component, unsigned index);
    int GetIntAttribIndex(const char* component, unsigned index);
    double GetRealAttribIndex(const char* component, unsigned index);

   private:
    // A string result lives here until the marshaller has pushed it.
    const char* Keep(std::optional<std::string> value);

    GameObject* object_;
    std::string result_;
  };

  // Whether the script ran to its end; calls into it wait for that.
  bool IsLoaded() const { return loaded_; }
  // The attributes in the order they were set.
  // The event variables the script has set, by key.
  const std::map<std::string, DataBun>& GetEventVars() const { return eventVars_; }

  // A kill asked for by the script itself, carried out by the script engine.
  void RequestKill() { killRequested_ = true; }
  bool IsKillRequested() const { return killRequested_; }
  // Starts the countdown of a timed kill; one already running goes on.
  void ArmTimedKill(float seconds) { timedKill_.Arm(seconds); }
  bool IsTimedKillArmed() const { return timedKill_.IsArmed(); }
  // One frame of the countdown: the kill is requested once it is due.
  void StepTimedKill(float dt) {
    if (timedKill_.Step(dt)) killRequested_ = true;
  }

 private:
  // The countdown of a timed kill. The first delay wins; it is checked
  // before counting, so it comes due one step after the time is reached,
  // and at once for a delay of 0.
  class TimedKill {
   public:
    void Arm(float seconds) {
      if (armed_) return;
      limit_ = seconds;
      elapsed_ = 0.0f;
      armed_ = true;
    }
    bool IsArmed() const { return armed_; }
    bool Step(float dt) {
      if (!armed_) return false;
      if (elapsed_ >= limit_) return true;
      elapsed_ += dt;
      return false;
    }

   private:
    float elapsed_ = 0.0f;
    float limit_ = 0.0f;
    bool armed_ = false;
  };

  // The object's state, made on first use, with the shared scripts run and
  // the component's functions registered as if that had happened at Setup
  // and attach: a blueprint that carries script data makes one script
  // component for the data and then replaces it with the type's own, and the
  // replaced one never needs a state.
  OrvLua::LuaState* Materialize();

  // The call sequence shared by the three CallGlobalFunction forms.
  OrvLua::LuaObject CallGlobal(const char* name, const double* number, const OrvLua::LuaObject* value);
  // Reports a call's error, once per distinct text.
  void ReportCallError(const char* functionName, const std::string& error);
  // One line for each global function whose name is a callback's in another
  // case ("update") while the callback itself is missing.
  void ReportMisspeltCallbacks(OrvLua::LuaState* state);

  ScriptChunkPtr script_;
  // What every call reads, together: the fields up to the cache's own.
  OrvLua::LuaState* luaState_ = nullptr;
  bool loaded_ = false;
  bool stateClosed_ = false;
  OrvLua::CallCache calls_;
  bool killRequested_ = false;
  TimedKill timedKill_;
  // Owners of the functor objects and callee buffers the state's closures
  // call; the state is closed before either goes.
  std::vector<std::shared_ptr<void>> functors_;
  FunctorArena inPlace_;
  std::list<std::pair<std::string, DataBun>> attributes_;
  std::map<std::string, DataBun> eventVars_;
  std::string lastCallError_;
  bool setUp_ = false;
  bool collectorHeld_ = false;
  GameObject* attachedTo_ = nullptr;
};

// The factory of one object type's script components: it keeps the type's
// script, read once at start-up, and its file for error lines.
class ScriptComponentCreator : public ComponentCreate {
 public:
  ScriptComponentCreator(std::string scriptText, std::string scriptPath)
      : script(std::make_shared<ScriptChunk>(std::move(scriptText), std::move(scriptPath))) {}
  std::shared_ptr<Component> Create() override { return std::make_shared<ScriptComponent>(script); }
  const ScriptChunkPtr& GetScript() const { return script; }

 private:
  ScriptChunkPtr script;
};

}  // namespace Orv
