#include "ScriptInterrupt.h"

#include <atomic>
#include <csignal>

#include "core/Report.h"

namespace OrvLua {

namespace {

std::atomic<lua_State*> running{nullptr};
static_assert(std::atomic<lua_State*>::is_always_lock_free, "read from a signal handler");
volatile std::sig_atomic_t pending = 0;
volatile std::sig_atomic_t quitAsked = 0;

// The hook stays until the engine's call returns: a script that catches the
// error meets it again at its next instruction.
void InterruptHook(lua_State* L, lua_Debug*) { luaL_error(L, "interrupted!"); }

void HookOn(lua_State* L) { lua_sethook(L, &InterruptHook, LUA_MASKCALL | LUA_MASKRET | LUA_MASKCOUNT, 1); }

}  // namespace

// Every call into a script passes here, so no locked exchange: plain loads
// and stores are enough for a handler that only reads the mark. A signal
// between the two sees the caller still marked and stops that one.
RunningScript::RunningScript(lua_State* L) : state_(L), previous_(running.load(std::memory_order_acquire)) {
  running.store(L, std::memory_order_release);
  Orv::BeginScriptOutput();
}

RunningScript::~RunningScript() {
  Orv::EndScriptOutput();
  running.store(previous_, std::memory_order_release);
  if (pending == 0) return;
  // Whatever called into this state stops too, back to the engine's loop.
  lua_sethook(state_, nullptr, 0, 0);
  if (previous_ != nullptr) {
    HookOn(previous_);
  } else {
    pending = 0;
  }
}

void InterruptRunningScript() {
  quitAsked = 1;
  lua_State* L = running.load(std::memory_order_acquire);
  if (L == nullptr) return;
  pending = 1;
  HookOn(L);
}

bool InterruptPending() { return pending != 0; }

bool IsQuitInterruption(const std::string& errorText) {
  return quitAsked != 0 && errorText.find("interrupted!") != std::string::npos;
}

std::string RunningScriptPlace() {
  lua_State* L = running.load(std::memory_order_acquire);
  if (L == nullptr) return {};
  luaL_where(L, 1);
  std::string place = lua_tostring(L, -1) != nullptr ? lua_tostring(L, -1) : "";
  lua_pop(L, 1);
  // luaL_where ends its "file:line" with ": " for a message to follow.
  while (!place.empty() && (place.back() == ' ' || place.back() == ':')) place.pop_back();
  return place;
}

}  // namespace OrvLua
