#pragma once
// Makes a game object scripted: its own Lua state, its script, the attributes
// its blueprint hands over, the functors behind its script functions, its
// event variables and the fields of a pending kill. Every system talks to
// the object's state through the services here.
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "LuaObject.h"
#include "LuaState.h"
#include "ScriptRegistration.h"
#include "core/ComponentCreate.h"
#include "core/DataBun.h"
#include "core/System.h"
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
  // work wait for the state's first use (see StateHandle).
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
  // Publishes the attributes as globals, then runs the script; sets loaded
  // on success. Also "ReloadScript".
  void RunScript();
  // From then on the component never touches the state again.
  void CloseState();

  // Null once the state has been closed.
  OrvLua::LuaState* GetState() { return Materialize(); }
  const std::string& GetScriptText() const { return script->GetText(); }
  // The script's file, or "script" for one made without a file: error lines
  // name it.
  const std::string& GetScriptPath() const { return script->GetName(); }

  // Values made in this component's state; without a state, an unbound nil.
  OrvLua::LuaObject NewTable();
  OrvLua::LuaObject MakeNumber(double value);
  OrvLua::LuaObject MakeInteger(int value);
  OrvLua::LuaObject MakeString(const char* value);
  OrvLua::LuaObject MakeNil();
  OrvLua::LuaObject GetGlobal(const char* name);
  // How systems publish their script constants.
  void SetGlobalInteger(const char* name, int value);
  OrvLua::LuaObject CreateGlobalTable(const char* name);
  // Calls the global function name, protected, only while the script is
  // loaded and the global is a function; its one result, else an unbound nil.
  // An error is reported as one line naming the script and the function, and
  // gives an unbound nil.
  OrvLua::LuaObject CallGlobalFunction(const char* name);
  OrvLua::LuaObject CallGlobalFunction(const char* name, double number);
  // The value must be bound to this state (for example a message table made
  // by CopyTableToState).
  OrvLua::LuaObject CallGlobalFunction(const char* name, double number, const OrvLua::LuaObject& value);

  // globals[name] = callee->*member. Nothing happens without a state.
  template <typename Callee, typename Member>
  void RegisterDirect(const char* name, Callee* callee, Member member) {
    OrvLua::LuaState* target = state;
    if (!target) return;
    // Every object start registers dozens of these: while nothing guards the
    // globals table, the same closure is stored raw, without a handle on it.
    lua_State* L = target->GetCState();
    if (lua_getmetatable(L, LUA_GLOBALSINDEX)) {
      lua_pop(L, 1);
      OrvCall::RegisterDirect(target, name, callee, member);
      return;
    }
    lua_checkstack(L, 3);
    lua_pushstring(L, name);
    if constexpr (std::is_base_of_v<System, Callee>) {
      // Systems live for the whole run: every state shares one buffer per
      // function, which saves an allocation per function per object.
      lua_pushlightuserdata(L, const_cast<OrvCall::CalleeBuffer<Callee, Member>*>(SharedBuffer(callee, member)));
    } else {
      OrvCall::CalleeBuffer<Callee, Member> buffer{callee, member};
      std::memcpy(lua_newuserdata(L, sizeof buffer), &buffer, sizeof buffer);
    }
    lua_pushcclosure(L, &OrvCall::DirectCallMemberDispatcher<Callee, Member>, 1);
    lua_rawset(L, LUA_GLOBALSINDEX);
  }
  // Registers the functor's call operator under name and keeps the functor
  // for as long as the state can call it. Without a state, nothing.
  template <typename Functor>
  void RegisterFunctor(const char* name, std::shared_ptr<Functor> functor) {
    if (!state || !functor) return;
    RegisterDirect(name, functor.get(), &Functor::operator());
    functors.push_back(std::move(functor));
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

  // The object's state, read like a LuaState pointer. It is made on first
  // use, with the shared scripts run and the component's functions
  // registered as if that had happened at Setup and attach: a blueprint that
  // carries script data makes one script component for the data and then
  // replaces it with the type's own, and the replaced one never needs a state.
  class StateHandle {
   public:
    explicit StateHandle(ScriptComponent* component) : component_(component) {}
    StateHandle(const StateHandle&) = delete;
    StateHandle& operator=(const StateHandle&) = delete;
    operator OrvLua::LuaState*() const { return component_->Materialize(); }
    OrvLua::LuaState* operator->() const { return component_->Materialize(); }

   private:
    ScriptComponent* component_;
  };

  StateHandle state{this};
  bool loaded = false;
  bool killRequested = false;
  // Owners of the functor objects the state's closures call.
  std::vector<std::shared_ptr<void>> functors;
  std::list<std::pair<std::string, DataBun>> attributes;
  std::map<std::string, DataBun> eventVars;
  float timedKillElapsed = 0.0f;
  float timedKillLimit = 0.0f;
  bool timedKillArmed = false;


  // The one buffer for (callee, member); kept until the end of the process.
  template <typename Callee, typename Member>
  static const OrvCall::CalleeBuffer<Callee, Member>* SharedBuffer(Callee* callee, Member member) {
    static std::vector<std::unique_ptr<OrvCall::CalleeBuffer<Callee, Member>>> buffers;
    for (const auto& buffer : buffers) {
      if (buffer->callee == callee && buffer->member == member) return buffer.get();
    }
    buffers.push_back(std::make_unique<OrvCall::CalleeBuffer<Callee, Member>>(
        OrvCall::CalleeBuffer<Callee, Member>{callee, member}));
    return buffers.back().get();
  }
 private:
  OrvLua::LuaState* Materialize();

  // The call sequence shared by the three CallGlobalFunction forms.
  OrvLua::LuaObject CallGlobal(const char* name, const double* number, const OrvLua::LuaObject* value);
  // Reports the error value at the top of the stack, once per distinct text.
  void ReportCallError(const char* functionName);

  ScriptChunkPtr script;
  std::string lastCallError;
  OrvLua::LuaState* luaState = nullptr;
  bool stateClosed = false;
  bool setUp = false;
  bool collectorHeld = false;
  GameObject* attachedTo = nullptr;
};

// Copies a table of another state (or this one) into the receiver's state:
// string keys with string, number, boolean and table values, tables copied
// depth first. Anything else is dropped; a table nested in itself is not
// followed back into itself, and tables more than 200 deep are left out
// with one error line.
OrvLua::LuaObject CopyTableToState(ScriptComponent& receiver, const OrvLua::LuaObject& source);

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

// The shared scripts of data/scripts/extra/, run in every scripted object's
// state before its own script, in the order they were read.
std::vector<ScriptChunkPtr>& ScriptExtraTexts();
void LoadExtraScripts();
void LoadExtraScriptFile(const std::string& path);

// The global variables every object's script shares, made on first use.
struct ScriptGlobalVar {
  bool isSet = false;
  DataBun value;
};
std::map<std::string, ScriptGlobalVar>& ScriptGlobalVars();

}  // namespace Orv
