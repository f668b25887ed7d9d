#include "CallRanges.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace OrvLua {

namespace {

// The interpreter's objects as 5.1 lays them out on a 64-bit machine: byte
// offsets of the few fields read here. The interpreter does not publish
// them, so a probe checks them once before any is trusted.
namespace Layout {
constexpr std::size_t kType = 8;  // every collectable object's type tag
// Strings: the characters follow the header.
constexpr std::size_t kStringHash = 12;
constexpr std::size_t kStringLength = 16;
constexpr std::size_t kStringHeader = 24;
// Tables and their hash nodes.
constexpr std::size_t kTableLogNodes = 11;
constexpr std::size_t kTableArray = 24;
constexpr std::size_t kTableNodes = 32;
constexpr std::size_t kTableArraySize = 56;
constexpr std::size_t kNodeSize = 40;
constexpr std::size_t kNodeValue = 0;
constexpr std::size_t kNodeValueType = 8;
constexpr std::size_t kNodeKey = 16;
constexpr std::size_t kNodeKeyType = 24;
constexpr std::size_t kNodeNext = 32;
// Closures, Lua and C.
constexpr std::size_t kClosureIsC = 10;
constexpr std::size_t kClosureUpvalueCount = 11;
constexpr std::size_t kClosureEnvironment = 24;
constexpr std::size_t kClosureProto = 32;
constexpr std::size_t kClosureUpvalues = 40;   // a Lua closure's upvalue pointers
constexpr std::size_t kCClosureUpvalues = 40;  // a C closure's upvalue values
// Function prototypes.
constexpr std::size_t kProtoSize = 120;
constexpr std::size_t kProtoConstants = 16;
constexpr std::size_t kProtoCode = 24;
constexpr std::size_t kProtoConstantCount = 76;
constexpr std::size_t kProtoCodeCount = 80;
constexpr std::size_t kProtoFirstLine = 96;
constexpr std::size_t kProtoLastLine = 100;
constexpr std::size_t kProtoParameters = 113;
constexpr int kProtoType = LUA_TTHREAD + 1;
// Upvalues: a closed one holds its value itself.
constexpr std::size_t kUpvalueSize = 40;
constexpr std::size_t kUpvalueAt = 16;
constexpr std::size_t kUpvalueOwn = 24;
constexpr std::size_t kUpvalueOwnType = 32;
constexpr int kUpvalueType = LUA_TTHREAD + 2;
// Full userdata: the block follows the header.
constexpr std::size_t kUserdataLength = 32;
constexpr std::size_t kUserdataHeader = 40;
constexpr std::size_t kInstructionSize = 4;
constexpr std::size_t kValueSize = 16;
constexpr std::size_t kValueType = 8;
}  // namespace Layout

// A function's code and constants can be long: the first lines are the ones
// every call reads. Upvalues are made together and lie side by side; spread
// wider, only the first is fetched.
constexpr std::size_t kCodeBytes = 256;
constexpr std::size_t kConstantBytes = 128;
constexpr std::size_t kUpvalueSpread = 512;
// Collisions in a globals table chain a few nodes at most.
constexpr int kChainSteps = 8;
// The functions a script function calls by global name come first among its
// string constants; an engine function is a C closure whose first upvalue is
// the block naming its callee.
constexpr int kCallees = 2;
constexpr std::size_t kCalleeBlockBytes = 64;

template <typename T>
T Read(const void* object, std::size_t offset) {
  T value;
  std::memcpy(&value, static_cast<const unsigned char*>(object) + offset, sizeof value);
  return value;
}

int TypeOf(const void* object) { return Read<unsigned char>(object, Layout::kType); }

const void* StringObject(const char* characters) { return characters - Layout::kStringHeader; }

// A closure as a span: its header and upvalues, pointers for a Lua closure,
// values for a C one.
MemorySpan ClosureSpan(const unsigned char* closure) {
  const unsigned upvalues = Read<unsigned char>(closure, Layout::kClosureUpvalueCount);
  const std::size_t bytes = Read<unsigned char>(closure, Layout::kClosureIsC) == 0
                                ? Layout::kClosureUpvalues + upvalues * sizeof(void*)
                                : Layout::kCClosureUpvalues + upvalues * Layout::kValueSize;
  return {closure, static_cast<std::uint32_t>(bytes)};
}

// The node holding the string key, following the chain from its main
// position; null when it is not there.
const void* NodeOf(const void* table, const void* key, const void** mainPosition) {
  const auto* nodes = Read<const unsigned char*>(table, Layout::kTableNodes);
  const unsigned mask = (1u << Read<unsigned char>(table, Layout::kTableLogNodes)) - 1;
  const unsigned char* node = nodes + (Read<unsigned>(key, Layout::kStringHash) & mask) * Layout::kNodeSize;
  *mainPosition = node;
  for (int step = 0; node != nullptr && step < kChainSteps; ++step) {
    if (Read<int>(node, Layout::kNodeKeyType) == LUA_TSTRING && Read<const void*>(node, Layout::kNodeKey) == key) {
      return node;
    }
    node = Read<const unsigned char*>(node, Layout::kNodeNext);
  }
  return nullptr;
}

// The probe function's constants: its one string constant, "probe".
bool ProbeConstants(const void* proto) {
  const auto* constants = Read<const unsigned char*>(proto, Layout::kProtoConstants);
  const int count = Read<int>(proto, Layout::kProtoConstantCount);
  if (constants == nullptr || count != 1 || Read<int>(constants, Layout::kValueType) != LUA_TSTRING) return false;
  const auto* text = Read<const unsigned char*>(constants, 0);
  return text != nullptr && TypeOf(text) == LUA_TSTRING && Read<std::size_t>(text, Layout::kStringLength) == 5 &&
         std::memcmp(text + Layout::kStringHeader, "probe", 6) == 0;
}

// A table whose string keys share chains: each key is found by following
// the nodes' next links from its main position, every link checked to be
// one of the table's nodes before it is followed, and some key must lie
// off its main position, so the links are really followed.
bool ProbeNodeChains(lua_State* L) {
  constexpr int kKeys = 16;
  if (luaL_dostring(L, "local t = {} for i = 1, 16 do t['k' .. i] = i end return t") != 0) return false;
  const void* table = lua_topointer(L, -1);
  if (table == nullptr || TypeOf(table) != LUA_TTABLE) return false;
  const auto* nodes = Read<const unsigned char*>(table, Layout::kTableNodes);
  const unsigned count = 1u << Read<unsigned char>(table, Layout::kTableLogNodes);
  if (nodes == nullptr || count < kKeys) return false;
  int offMain = 0;
  for (int i = 1; i <= kKeys; ++i) {
    lua_pushfstring(L, "k%d", i);
    const void* key = StringObject(lua_tostring(L, -1));
    lua_pop(L, 1);
    const unsigned char* node = nodes + (Read<unsigned>(key, Layout::kStringHash) & (count - 1)) * Layout::kNodeSize;
    int steps = 0;
    while (
        !(Read<int>(node, Layout::kNodeKeyType) == LUA_TSTRING && Read<const void*>(node, Layout::kNodeKey) == key)) {
      const auto* next = Read<const unsigned char*>(node, Layout::kNodeNext);
      if (next < nodes || next >= nodes + count * Layout::kNodeSize || (next - nodes) % Layout::kNodeSize != 0 ||
          ++steps > kKeys) {
        return false;
      }
      node = next;
    }
    if (Read<int>(node, Layout::kNodeValueType) != LUA_TNUMBER || Read<double>(node, Layout::kNodeValue) != i) {
      return false;
    }
    if (steps > 0) ++offMain;
  }
  lua_pop(L, 1);
  return offMain > 0;
}

// Builds a function with two upvalues and a constant in a state of its own
// and finds each field read above where the layout says, checked against what the public
// interface reports. Each pointer is checked before it is followed.
bool ProbeLayout() {
  lua_State* L = luaL_newstate();
  if (L == nullptr) return false;
  const char* probe =
      "local a, b = 1, 2\n"
      "function Probe(x, y)\n"
      "  local s = 'probe'\n"
      "  return a + b + x + y\n"
      "end\n";
  bool matches = false;
  if (luaL_loadstring(L, probe) == 0 && lua_pcall(L, 0, 0, 0) == 0) {
    lua_pushstring(L, "Probe");
    const char* name = lua_tostring(L, -1);
    lua_rawget(L, LUA_GLOBALSINDEX);
    lua_Debug info{};
    lua_pushvalue(L, -1);
    lua_getinfo(L, ">S", &info);
    const void* closure = lua_topointer(L, -1);
    const void* globals = lua_topointer(L, LUA_GLOBALSINDEX);
    const void* key = StringObject(name);
    matches = TypeOf(closure) == LUA_TFUNCTION && Read<unsigned char>(closure, Layout::kClosureIsC) == 0 &&
              Read<unsigned char>(closure, Layout::kClosureUpvalueCount) == 2 && TypeOf(globals) == LUA_TTABLE &&
              TypeOf(key) == LUA_TSTRING && Read<std::size_t>(key, Layout::kStringLength) == 5;
    if (matches) {
      const void* proto = Read<const void*>(closure, Layout::kClosureProto);
      matches = proto != nullptr && TypeOf(proto) == Layout::kProtoType &&
                Read<unsigned char>(proto, Layout::kProtoParameters) == 2 &&
                Read<int>(proto, Layout::kProtoFirstLine) == info.linedefined &&
                Read<int>(proto, Layout::kProtoLastLine) == info.lastlinedefined &&
                Read<int>(proto, Layout::kProtoCodeCount) > 0 &&
                Read<const void*>(proto, Layout::kProtoCode) != nullptr &&
                Read<int>(proto, Layout::kProtoConstantCount) >= 0;
    }
    for (std::size_t i = 0; matches && i < 2; ++i) {
      const auto* upvalue = Read<const unsigned char*>(closure, Layout::kClosureUpvalues + i * sizeof(void*));
      matches = upvalue != nullptr && TypeOf(upvalue) == Layout::kUpvalueType &&
                Read<const void*>(upvalue, Layout::kUpvalueAt) == upvalue + Layout::kUpvalueOwn &&
                Read<int>(upvalue, Layout::kUpvalueOwnType) == LUA_TNUMBER &&
                Read<double>(upvalue, Layout::kUpvalueOwn) == static_cast<double>(i + 1);
    }
    if (matches) matches = ProbeConstants(Read<const void*>(closure, Layout::kClosureProto));
    if (matches) {
      const void* mainPosition = nullptr;
      const void* node = NodeOf(globals, key, &mainPosition);
      matches = node != nullptr && Read<int>(node, Layout::kNodeValueType) == LUA_TFUNCTION &&
                Read<const void*>(node, Layout::kNodeValue) == closure &&
                Read<const void*>(closure, Layout::kClosureEnvironment) == globals;
    }
    if (matches) {
      // A table's array part.
      luaL_dostring(L, "return {10, 20, 30}");
      const void* table = lua_topointer(L, -1);
      const auto* array = table != nullptr ? Read<const unsigned char*>(table, Layout::kTableArray) : nullptr;
      matches = table != nullptr && TypeOf(table) == LUA_TTABLE && Read<int>(table, Layout::kTableArraySize) == 3 &&
                array != nullptr;
      for (int i = 0; matches && i < 3; ++i) {
        const unsigned char* slot = array + i * Layout::kValueSize;
        matches = Read<int>(slot, Layout::kValueType) == LUA_TNUMBER && Read<double>(slot, 0) == 10.0 * (i + 1);
      }
    }
    if (matches) matches = ProbeNodeChains(L);
    if (matches) {
      // An engine function: a C closure over a block.
      const auto* block = static_cast<const unsigned char*>(lua_newuserdata(L, 24));
      lua_pushcclosure(L, &lua_gettop, 1);
      const void* function = lua_topointer(L, -1);
      const unsigned char* userdata = block - Layout::kUserdataHeader;
      matches = TypeOf(function) == LUA_TFUNCTION && Read<unsigned char>(function, Layout::kClosureIsC) == 1 &&
                Read<unsigned char>(function, Layout::kClosureUpvalueCount) == 1 &&
                Read<int>(function, Layout::kCClosureUpvalues + Layout::kValueType) == LUA_TUSERDATA &&
                Read<const void*>(function, Layout::kCClosureUpvalues) == userdata &&
                TypeOf(userdata) == LUA_TUSERDATA && Read<std::size_t>(userdata, Layout::kUserdataLength) == 24;
    }
  }
  lua_close(L);
  return matches;
}

// The first functions the function looks up by name: the node each is
// found in, its closure and, for an engine function, its callee block.
template <typename Spans>
void AddCallees(const unsigned char* closure, const void* proto, Spans& spans) {
  const void* environment = Read<const void*>(closure, Layout::kClosureEnvironment);
  const auto* constants = Read<const unsigned char*>(proto, Layout::kProtoConstants);
  const int count = Read<int>(proto, Layout::kProtoConstantCount);
  int callees = 0;
  for (int i = 0; i < count && callees < kCallees; ++i) {
    const unsigned char* constant = constants + i * Layout::kValueSize;
    if (Read<int>(constant, Layout::kValueType) != LUA_TSTRING) continue;
    const void* mainPosition = nullptr;
    const void* node = NodeOf(environment, Read<const void*>(constant, 0), &mainPosition);
    if (node == nullptr || Read<int>(node, Layout::kNodeValueType) != LUA_TFUNCTION) continue;
    ++callees;
    const auto* callee = Read<const unsigned char*>(node, Layout::kNodeValue);
    *spans++ = {node, Layout::kNodeSize};
    *spans++ = ClosureSpan(callee);
    if (Read<unsigned char>(callee, Layout::kClosureIsC) == 0) continue;
    if (Read<unsigned char>(callee, Layout::kClosureUpvalueCount) > 0 &&
        Read<int>(callee, Layout::kCClosureUpvalues + Layout::kValueType) == LUA_TUSERDATA) {
      const auto* userdata = Read<const unsigned char*>(callee, Layout::kCClosureUpvalues);
      const std::size_t bytes = Layout::kUserdataHeader + Read<std::size_t>(userdata, Layout::kUserdataLength);
      *spans++ = {userdata, static_cast<std::uint32_t>(std::min(bytes, kCalleeBlockBytes))};
    }
  }
}

}  // namespace

bool LayoutProbePassed() {
  static const bool known = ProbeLayout();
  return known;
}

bool RangesStillHold(lua_State* L, const RangesKey& key) {
  return key.function != nullptr && key.function == lua_topointer(L, -1) &&
         key.nodes == Read<const void*>(lua_topointer(L, LUA_GLOBALSINDEX), Layout::kTableNodes);
}

void KeepGlobal(lua_State* L, const char* name, KeptGlobal& kept) {
  ForgetKeptGlobal(L, kept);
  if (lua_type(L, -1) != LUA_TFUNCTION || !LayoutProbePassed()) return;
  lua_checkstack(L, 2);
  // Both kept in the registry: while they are, no other string or function
  // can take their addresses.
  lua_pushstring(L, name);
  const void* key = StringObject(lua_tostring(L, -1));
  kept.nameRef = luaL_ref(L, LUA_REGISTRYINDEX);
  lua_pushvalue(L, -1);
  kept.function = lua_topointer(L, -1);
  kept.functionRef = luaL_ref(L, LUA_REGISTRYINDEX);
  const void* mainPosition = nullptr;
  kept.node = NodeOf(lua_topointer(L, LUA_GLOBALSINDEX), key, &mainPosition);
  kept.name = key;
}

bool PushKeptGlobal(lua_State* L, const char* name, const KeptGlobal& kept) {
  if (kept.node == nullptr) return false;
  // The node is read only once it is known to be one of the globals' nodes
  // now: a table that grew has others.
  const void* globals = lua_topointer(L, LUA_GLOBALSINDEX);
  const auto* nodes = Read<const unsigned char*>(globals, Layout::kTableNodes);
  const std::size_t count = std::size_t{1} << Read<unsigned char>(globals, Layout::kTableLogNodes);
  const auto* node = static_cast<const unsigned char*>(kept.node);
  if (node < nodes || node >= nodes + count * Layout::kNodeSize || (node - nodes) % Layout::kNodeSize != 0) {
    return false;
  }
  if (Read<int>(node, Layout::kNodeKeyType) != LUA_TSTRING || Read<const void*>(node, Layout::kNodeKey) != kept.name ||
      Read<int>(node, Layout::kNodeValueType) != LUA_TFUNCTION ||
      Read<const void*>(node, Layout::kNodeValue) != kept.function) {
    return false;
  }
  if (std::strcmp(static_cast<const char*>(kept.name) + Layout::kStringHeader, name) != 0) return false;
  // A script that reached the registry may have emptied it.
  lua_rawgeti(L, LUA_REGISTRYINDEX, kept.functionRef);
  if (lua_topointer(L, -1) == kept.function) return true;
  lua_pop(L, 1);
  return false;
}

void ForgetKeptGlobal(lua_State* L, KeptGlobal& kept) {
  if (L != nullptr) {
    luaL_unref(L, LUA_REGISTRYINDEX, kept.functionRef);
    luaL_unref(L, LUA_REGISTRYINDEX, kept.nameRef);
  }
  kept = {};
}

std::array<MemorySpan, 2> KeptGlobalSpans(lua_State* L, const KeptGlobal& kept) {
  if (kept.node == nullptr) return {};
  const void* registry = lua_topointer(L, LUA_REGISTRYINDEX);
  std::array<MemorySpan, 2> spans{};
  spans[0] = {registry, static_cast<std::uint32_t>(Layout::kTableArraySize + sizeof(int))};
  if (kept.functionRef >= 1 && kept.functionRef <= Read<int>(registry, Layout::kTableArraySize)) {
    const auto* array = Read<const unsigned char*>(registry, Layout::kTableArray);
    spans[1] = {array + (kept.functionRef - 1) * Layout::kValueSize, static_cast<std::uint32_t>(Layout::kValueSize)};
  }
  return spans;
}

void FindCallRanges(lua_State* L, const char* name, CallRanges& ranges) {
  ranges = {};
  if (lua_type(L, -1) != LUA_TFUNCTION || lua_iscfunction(L, -1) || !LayoutProbePassed()) return;
  auto spans = ranges.spans.begin();
  const auto* closure = static_cast<const unsigned char*>(lua_topointer(L, -1));
  const void* globals = lua_topointer(L, LUA_GLOBALSINDEX);
  ranges.key = {closure, Read<const void*>(globals, Layout::kTableNodes)};
  const unsigned upvalues = Read<unsigned char>(closure, Layout::kClosureUpvalueCount);
  *spans++ = ClosureSpan(closure);

  lua_pushstring(L, name);
  const void* key = StringObject(lua_tostring(L, -1));
  const std::size_t length = Read<std::size_t>(key, Layout::kStringLength);
  lua_pop(L, 1);
  *spans++ = {key, static_cast<std::uint32_t>(Layout::kStringHeader + std::min<std::size_t>(length + 1, 64))};
  // The table's own fields, up to its node pointer, come before its nodes.
  *spans++ = {globals, static_cast<std::uint32_t>(Layout::kTableNodes + sizeof(void*))};
  const void* mainPosition = nullptr;
  const void* node = NodeOf(globals, key, &mainPosition);
  *spans++ = {mainPosition, Layout::kNodeSize};
  if (node != nullptr && node != mainPosition) *spans++ = {node, Layout::kNodeSize};

  const void* proto = Read<const void*>(closure, Layout::kClosureProto);
  *spans++ = {proto, Layout::kProtoSize};
  const auto codeBytes = static_cast<std::size_t>(Read<int>(proto, Layout::kProtoCodeCount)) * Layout::kInstructionSize;
  *spans++ = {Read<const void*>(proto, Layout::kProtoCode),
              static_cast<std::uint32_t>(std::min(codeBytes, kCodeBytes))};
  const auto constantBytes =
      static_cast<std::size_t>(Read<int>(proto, Layout::kProtoConstantCount)) * Layout::kValueSize;
  if (constantBytes > 0) {
    *spans++ = {Read<const void*>(proto, Layout::kProtoConstants),
                static_cast<std::uint32_t>(std::min(constantBytes, kConstantBytes))};
  }
  AddCallees(closure, proto, spans);
  if (upvalues > 0) {
    auto low = Read<std::uintptr_t>(closure, Layout::kClosureUpvalues);
    std::uintptr_t high = low + Layout::kUpvalueSize;
    const std::uintptr_t first = low;
    for (unsigned i = 1; i < upvalues; ++i) {
      const auto at = Read<std::uintptr_t>(closure, Layout::kClosureUpvalues + i * sizeof(void*));
      low = std::min(low, at);
      high = std::max(high, at + Layout::kUpvalueSize);
    }
    if (high - low > kUpvalueSpread) low = first, high = first + Layout::kUpvalueSize;
    *spans = {reinterpret_cast<const void*>(low), static_cast<std::uint32_t>(high - low)};
  }
}

}  // namespace OrvLua
