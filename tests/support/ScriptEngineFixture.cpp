#include "support/ScriptEngineFixture.h"

#include "ChunkLoader.h"
#include "script/ScriptRegistrar.h"

namespace OrvTest {

using namespace Orv;

void NoteSystem::OnRegistered() { AddScriptRegistration(this, &NoteSystem::RegisterScriptFunctions); }

void NoteSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  lua_State* L = script.GetState()->GetCState();
  lua_pushlightuserdata(L, log_);
  lua_pushcclosure(L, &NoteSystem::Note, 1);
  lua_setglobal(L, "Note");
}

int NoteSystem::Note(lua_State* L) {
  auto* log = static_cast<std::vector<std::string>*>(lua_touserdata(L, lua_upvalueindex(1)));
  log->push_back(luaL_checkstring(L, 1));
  return 0;
}

ScriptEngineFixture::ScriptEngineFixture() {
  system = std::make_shared<ScriptEngineSystem>(&engine);
  Start({{std::make_shared<NoteSystem>(&engine, &notes), RoleNone},
         {system, RoleLateUpdate},
         {std::make_shared<ScriptBegin>(&engine), RoleLateUpdate}});
}

std::shared_ptr<GameObject> ScriptEngineFixture::Spawn(const std::string& script, unsigned id, bool withTransform) {
  return SpawnType(withTransform ? R"([{"type":"transform","data":[]}])" : "[]", script, id);
}

ScriptComponent& ScriptEngineFixture::Script(const std::shared_ptr<GameObject>& object) {
  return *object->GetComponent<ScriptComponent>().Lock();
}

namespace {

std::string TopAsText(lua_State* L) {
  switch (lua_type(L, -1)) {
    case LUA_TNIL: return "nil";
    case LUA_TBOOLEAN: return lua_toboolean(L, -1) ? "true" : "false";
    case LUA_TNUMBER:
    case LUA_TSTRING: return lua_tostring(L, -1);
    case LUA_TTABLE: return "table";
    default: return lua_typename(L, lua_type(L, -1));
  }
}

}  // namespace

std::string ScriptEngineFixture::Global(const std::shared_ptr<GameObject>& object, const char* name) {
  lua_State* L = Script(object).GetState()->GetCState();
  lua_getglobal(L, name);
  std::string text = TopAsText(L);
  lua_pop(L, 1);
  return text;
}

std::string RunInObjectState(const std::shared_ptr<GameObject>& object, const std::string& code) {
  lua_State* L = object->LockComponent<ScriptComponent>()->GetState()->GetCState();
  const int top = lua_gettop(L);
  std::string text;
  if (OrvLua::LoadBuffer(L, code.data(), code.size(), "=test") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
    text = std::string("error: ") + (lua_tostring(L, -1) ? lua_tostring(L, -1) : "?");
  } else {
    text = TopAsText(L);
  }
  lua_settop(L, top);
  return text;
}

std::string ScriptEngineFixture::NoteText() const {
  std::string text;
  for (const std::string& note : notes) text += (text.empty() ? "" : " ") + note;
  return text;
}

}  // namespace OrvTest
