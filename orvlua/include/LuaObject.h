#pragma once
// A handle to one Lua value that stays valid across calls and frames. The
// handle anchors a collectable value in the registry while it lives and is
// linked into its state's live-handle list, so closing the state can unbind
// it. Handles are bound to the main thread of their state; a handle made
// from a coroutine's stack belongs to the same list.
#include <cstddef>
#include <cstdint>
#include <string>

#include <lua.hpp>

#include "LuaStackObject.h"

namespace OrvLua {

class LuaState;
namespace Detail {
struct StateRecord;

// The two links of the live-handle list; the list's end sentinel is one of
// these with no handle around it.
struct HandleLink {
  HandleLink* next = nullptr;
  HandleLink** prev = nullptr;
};
}  // namespace Detail

class LuaObject : private Detail::HandleLink {
 public:
  // Type tags as the binding reads them; 9 is the engine's wide string.
  enum Tag : int {
    TagNil = 0,
    TagBoolean = 1,
    TagLightUserData = 2,
    TagNumber = 3,
    TagString = 4,
    TagTable = 5,
    TagFunction = 6,
    TagUserData = 7,
    TagThread = 8,
    TagWString = 9,
  };

  LuaObject() = default;
  explicit LuaObject(LuaState* state);
  // A copy of the value at a stack index (pseudo-indices too); an index
  // above the top gives nil.
  LuaObject(lua_State* L, int stackIndex);
  LuaObject(const LuaObject& other);
  LuaObject(LuaObject&& other) noexcept;
  LuaObject& operator=(const LuaObject& other);
  LuaObject& operator=(LuaObject&& other) noexcept;
  ~LuaObject();

  // The state the handle is bound to; null when unbound.
  LuaState* GetState() const { return state_; }
  lua_State* GetCState() const { return reinterpret_cast<lua_State*>(state_); }
  bool IsBound() const { return state_ != nullptr; }

  int Type() const { return tag_; }
  bool IsNil() const { return tag_ == TagNil; }
  bool IsBoolean() const { return tag_ == TagBoolean; }
  bool IsLightUserData() const { return tag_ == TagLightUserData; }
  bool IsNumber() const { return tag_ == TagNumber; }
  bool IsString() const { return tag_ == TagString; }
  bool IsTable() const { return tag_ == TagTable; }
  bool IsFunction() const { return tag_ == TagFunction; }
  bool IsUserData() const { return tag_ == TagUserData; }
  bool IsWString() const { return tag_ == TagWString; }

  double GetNumber() const;
  float GetFloat() const;
  // Truncated toward zero; out-of-range values saturate, NaN gives 0.
  int GetInteger() const;
  // No conversion of numbers; valid while the value is alive.
  const char* GetString() const;
  // The wide string's zero-terminated 16-bit characters.
  const char16_t* GetWString() const;
  // nil gives false; anything but a boolean reports and gives true.
  bool GetBoolean() const;
  size_t StrLen() const;
  lua_CFunction GetCFunction() const;
  void* GetUserData() const;
  const void* GetLuaPointer() const;
  LuaObject GetMetatable() const;

  // Pushes the value onto the handle's own state, making room first.
  void Push() const;
  // Pushes onto L, which must be a thread of the handle's state (a
  // coroutine of it included); anything else pushes nil.
  void Push(lua_State* L) const;

  // self[key] with full indexing: a missing key consults __index.
  LuaObject GetByName(const char* key) const;
  // The same, but an error raised by __index is kept in error (nil read)
  // for the caller to raise, not reported.
  LuaObject GetByName(const char* key, std::string& error) const;
  LuaObject operator[](const char* key) const { return GetByName(key); }
  // t[key] for the table at a stack index of L, as GetByName reads it, with
  // no handle made for the table itself. With error, as GetByName above.
  static LuaObject GetField(lua_State* L, int tableIndex, const char* key, std::string* error = nullptr);
  // self[index], read raw.
  LuaObject GetByIndex(int index) const;
  LuaObject operator[](int index) const { return GetByIndex(index); }

  // Table writes honour __newindex; a metamethod's error is reported.
  void SetBoolean(const char* key, bool value);
  void SetInteger(const char* key, int value);
  void SetInteger(int key, int value);
  void SetNumber(const char* key, double value);
  void SetLightUserData(const char* key, void* value);
  // len -1: up to the terminating zero; a null value removes the key.
  void SetString(const char* key, const char* value, int len = -1);
  void SetObject(const char* key, const LuaObject& value);
  void SetObject(int key, const LuaObject& value);
  LuaObject CreateTable(const char* key, int narray = 0, int nhash = 0);
  // A table or full userdata gets its own metatable; any other type sets the
  // state's shared metatable of that type. A non-table means none.
  void SetMetatable(const LuaObject& metatable);
  // As table.insert(self, index, value) does, without going through the
  // script-visible table library.
  void Insert(int index, const LuaObject& value);

  // Re-binding assignments: move to the given state's list, then set.
  void AssignNil(LuaState* state);
  void AssignInteger(LuaState* state, int value);
  void AssignNumber(LuaState* state, double value);
  void AssignString(LuaState* state, const char* value, int len = -1);
  void AssignNewTable(LuaState* state, int narray = 0, int nhash = 0);
  // A copy of the value at a stack index of L (a thread of the state).
  void AssignFromStack(lua_State* L, int stackIndex);

  // self[name] = a C closure of dispatcher whose one upvalue is a full
  // userdata holding the callee bytes followed by the function bytes.
  void RegisterHelper(const char* name, lua_CFunction dispatcher, const void* callee, unsigned sizeofCallee,
                      const void* function, unsigned sizeofFunction);

  // For closures whose upvalue 1 holds a plain C function pointer (a light
  // userdata, or a full userdata whose block starts with it).
  static int CallbackDispatcher(lua_State* L);

 private:
  friend struct Detail::StateRecord;
  friend class LuaTableIterator;

  LuaObject GetByName(const char* key, std::string& error, bool keepError) const;

  void Link(Detail::StateRecord* record);
  void Unlink();
  // Drops the value (and its registry anchor) and leaves nil.
  void ClearValue();
  // The state is being closed: become an unbound nil without touching it.
  void ForgetState();
  // Takes the value at idx of L, which must belong to this handle's state.
  void TakeValue(lua_State* L, int idx);
  void CopyValueFrom(const LuaObject& other);
  // Takes other's value and registry reference; other is left nil and unlinked.
  void TakeValueFrom(LuaObject& other);
  // Binds to L's state (re-linking when it is another one); false when L
  // is not a state of ours.
  bool Rebind(lua_State* L, const char* unit);
  // Stores self[key] = value from the table, key and value pushed just
  // above top, then restores top.
  void StoreTop(lua_State* L, int top) const;

  LuaState* state_ = nullptr;
  int tag_ = TagNil;
  int ref_ = LUA_NOREF;
  // The payload: numbers and booleans are held here; collectable values keep
  // their address (a string its characters) beside the registry anchor.
  double number_ = 0;
  const void* pointer_ = nullptr;
  size_t length_ = 0;
  bool boolean_ = false;
};

// The result of a script function that may fail as a whole: when error is
// not empty the call raises it in the calling script and returns nothing.
struct LuaObjectOrError {
  LuaObject value;
  std::string error;
};

}  // namespace OrvLua
