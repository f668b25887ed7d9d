#include "WString.h"

#include <lua.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "WStringLib.h"

namespace OrvLua {
namespace {

// Registry keys: the addresses are unique, the values unused.
char kMetatableKey;
char kInternKey;

// A wide string's block: its length, then the characters and a zero.
struct WStringBlock {
  std::size_t length;
  lua_WChar chars[1];
};

constexpr std::size_t kHeaderSize = offsetof(WStringBlock, chars);

std::size_t BlockSize(std::size_t length) { return kHeaderSize + (length + 1) * sizeof(lua_WChar); }

// Pushes the shared metatable, making it (and the intern table) on first use
// so engine code may push wide strings before the library is opened.
void PushMetatable(lua_State* L) {
  lua_pushlightuserdata(L, &kMetatableKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (!lua_isnil(L, -1)) return;
  lua_pop(L, 1);
  lua_newtable(L);
  lua_pushlightuserdata(L, &kMetatableKey);
  lua_pushvalue(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);

  // Weak values: a wide string nobody holds leaves the table with its entry.
  lua_pushlightuserdata(L, &kInternKey);
  lua_newtable(L);
  lua_newtable(L);
  lua_pushliteral(L, "v");
  lua_setfield(L, -2, "__mode");
  lua_setmetatable(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
}

const WStringBlock* ToBlock(lua_State* L, int idx) {
  if (!lua_iswstring(L, idx)) return nullptr;
  auto* block = static_cast<const WStringBlock*>(lua_touserdata(L, idx));
  // Only our own pushes make blocks, but a script can lend the metatable to
  // other userdata through the debug library: never trust a foreign size.
  std::size_t size = lua_objlen(L, idx);
  if (size < kHeaderSize || size != BlockSize(block->length)) return nullptr;
  return block;
}

int Compare(lua_State* L) {
  std::size_t la = 0, lb = 0;
  const lua_WChar* a = luaL_checklwstring(L, 1, &la);
  const lua_WChar* b = luaL_checklwstring(L, 2, &lb);
  auto result = std::lexicographical_compare_three_way(a, a + la, b, b + lb);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int MetaLessThan(lua_State* L) {
  lua_pushboolean(L, Compare(L) < 0);
  return 1;
}

int MetaLessEqual(lua_State* L) {
  lua_pushboolean(L, Compare(L) <= 0);
  return 1;
}

int MetaConcat(lua_State* L) {
  // Wide strings join with wide strings and numbers, as strings do with
  // strings and numbers; anything else is the core's concatenation error.
  for (int i = 1; i <= 2; ++i) {
    if (!lua_iswstring(L, i) && lua_type(L, i) != LUA_TNUMBER)
      return luaL_error(L, "attempt to concatenate a %s value", WTypeName(L, i));
  }
  std::size_t la = 0, lb = 0;
  const lua_WChar* a = lua_tolwstring(L, 1, &la);
  const lua_WChar* b = lua_tolwstring(L, 2, &lb);
  std::u16string joined;
  joined.reserve(la + lb);
  joined.append(a, la).append(b, lb);
  lua_pushlwstring(L, joined.data(), joined.size());
  return 1;
}

int MetaToString(lua_State* L) {
  std::size_t len = 0;
  const lua_WChar* s = luaL_checklwstring(L, 1, &len);
  std::string text = NarrowToUtf8({s, len});
  lua_pushlstring(L, text.data(), text.size());
  return 1;
}

int MetaLength(lua_State* L) {
  std::size_t len = 0;
  luaL_checklwstring(L, 1, &len);
  lua_pushinteger(L, static_cast<lua_Integer>(len));
  return 1;
}

// towstring(v): wide strings unchanged, numbers as the core converts them,
// strings widened from UTF-8, anything else through tostring's text.
int BaseToWString(lua_State* L) {
  luaL_checkany(L, 1);
  lua_settop(L, 1);
  if (lua_iswstring(L, 1)) return 1;
  if (lua_type(L, 1) == LUA_TNUMBER) {
    luaV_towstring(L, 1);
    return 1;
  }
  if (lua_type(L, 1) != LUA_TSTRING) {
    lua_getglobal(L, "tostring");
    lua_pushvalue(L, 1);
    lua_call(L, 1, 1);
    if (!lua_isstring(L, -1)) return luaL_error(L, "'tostring' must return a string to 'towstring'");
  }
  std::size_t len = 0;
  const char* text = lua_tolstring(L, -1, &len);
  std::u16string wide = WidenUtf8({text, len});
  lua_pushlwstring(L, wide.data(), wide.size());
  return 1;
}

int BaseType(lua_State* L) {
  luaL_checkany(L, 1);
  lua_pushstring(L, WTypeName(L, 1));
  return 1;
}

bool IsAsciiDigit(lua_WChar c) { return c >= '0' && c <= '9'; }
bool IsAsciiHexDigit(lua_WChar c) {
  return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool lua_iswstring(lua_State* L, int idx) {
  // Engine code may ask with a full stack; the test needs two slots.
  if (lua_type(L, idx) != LUA_TUSERDATA || !lua_checkstack(L, 2)) return false;
  if (!lua_getmetatable(L, idx)) return false;
  lua_pushlightuserdata(L, &kMetatableKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  bool same = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 2);
  return same;
}

const char* WTypeName(lua_State* L, int idx) {
  if (lua_iswstring(L, idx)) return "wstring";
  return luaL_typename(L, idx);
}

void lua_pushlwstring(lua_State* L, const lua_WChar* s, std::size_t len) {
  luaL_checkstack(L, 8, "too many values for a wide string");
  PushMetatable(L);
  lua_pushlightuserdata(L, &kInternKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  // The key is the characters' bytes as an ordinary string: the core
  // interns and hashes it, so finding an equal wide string is one lookup.
  lua_pushlstring(L, reinterpret_cast<const char*>(s), len * sizeof(lua_WChar));
  lua_pushvalue(L, -1);
  lua_rawget(L, -3);
  if (!lua_isnil(L, -1)) {  // metatable, intern, key, found
    lua_replace(L, -4);
    lua_pop(L, 2);
    return;
  }
  lua_pop(L, 1);
  auto* block = static_cast<WStringBlock*>(lua_newuserdata(L, BlockSize(len)));
  block->length = len;
  if (len > 0) std::memcpy(block->chars, s, len * sizeof(lua_WChar));
  block->chars[len] = 0;
  lua_pushvalue(L, -4);
  lua_setmetatable(L, -2);  // metatable, intern, key, block
  lua_pushvalue(L, -2);
  lua_pushvalue(L, -2);
  lua_rawset(L, -5);
  lua_replace(L, -4);
  lua_pop(L, 2);
}

void lua_pushwstring(lua_State* L, const lua_WChar* s) {
  if (s == nullptr) {
    lua_pushnil(L);
    return;
  }
  lua_pushlwstring(L, s, std::char_traits<lua_WChar>::length(s));
}

int luaV_towstring(lua_State* L, int idx) {
  if (lua_type(L, idx) != LUA_TNUMBER) return 0;
  if (idx < 0 && idx > LUA_REGISTRYINDEX) idx = lua_gettop(L) + idx + 1;
  char text[64];
  int n = std::snprintf(text, sizeof text, LUA_NUMBER_FMT, lua_tonumber(L, idx));
  lua_WChar wide[64];
  for (int i = 0; i < n; ++i) wide[i] = static_cast<unsigned char>(text[i]);
  lua_pushlwstring(L, wide, static_cast<std::size_t>(n));
  lua_replace(L, idx);
  return 1;
}

const lua_WChar* lua_tolwstring(lua_State* L, int idx, std::size_t* len) {
  if (lua_type(L, idx) == LUA_TNUMBER) luaV_towstring(L, idx);
  const WStringBlock* block = ToBlock(L, idx);
  if (block == nullptr) {
    if (len != nullptr) *len = 0;
    return nullptr;
  }
  if (len != nullptr) *len = block->length;
  return block->chars;
}

const lua_WChar* lua_towstring(lua_State* L, int idx) { return lua_tolwstring(L, idx, nullptr); }

const lua_WChar* luaL_checklwstring(lua_State* L, int narg, std::size_t* len) {
  const lua_WChar* s = lua_tolwstring(L, narg, len);
  if (s == nullptr) luaL_typerror(L, narg, "wstring");
  return s;
}

const lua_WChar* luaL_checkwstring(lua_State* L, int narg) { return luaL_checklwstring(L, narg, nullptr); }

bool luaO_wstr2d(const lua_WChar* s, double* result, const lua_WChar** end) {
  // Copy exactly the accepted characters into a narrow buffer, so the
  // runtime's conversion sees nothing it might read more generously
  // (blanks, "inf", "nan").
  std::string text;
  const lua_WChar* p = s;
  bool digits = false;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && (IsAsciiHexDigit(p[2]) || (p[2] == '.' && IsAsciiHexDigit(p[3])))) {
    text = "0x";
    p += 2;
    while (IsAsciiHexDigit(*p)) text += static_cast<char>(*p++);
    if (*p == '.') {
      text += static_cast<char>(*p++);
      while (IsAsciiHexDigit(*p)) text += static_cast<char>(*p++);
    }
    if ((*p == 'p' || *p == 'P') && (IsAsciiDigit(p[1]) || ((p[1] == '+' || p[1] == '-') && IsAsciiDigit(p[2])))) {
      text += static_cast<char>(*p++);
      if (*p == '+' || *p == '-') text += static_cast<char>(*p++);
      while (IsAsciiDigit(*p)) text += static_cast<char>(*p++);
    }
    digits = true;
  } else {
    if (*p == '+' || *p == '-') text += static_cast<char>(*p++);
    while (IsAsciiDigit(*p)) {
      text += static_cast<char>(*p++);
      digits = true;
    }
    if (*p == '.') {
      text += static_cast<char>(*p++);
      while (IsAsciiDigit(*p)) {
        text += static_cast<char>(*p++);
        digits = true;
      }
    }
    if (digits && (*p == 'e' || *p == 'E') &&
        (IsAsciiDigit(p[1]) || ((p[1] == '+' || p[1] == '-') && IsAsciiDigit(p[2])))) {
      text += static_cast<char>(*p++);
      if (*p == '+' || *p == '-') text += static_cast<char>(*p++);
      while (IsAsciiDigit(*p)) text += static_cast<char>(*p++);
    }
  }
  if (!digits) {
    if (end != nullptr) *end = s;
    return false;
  }
  *result = std::strtod(text.c_str(), nullptr);
  if (end != nullptr) *end = p;
  return true;
}

std::u16string WidenUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
    if (lead >= 0xF5) extra = 0;
    char32_t code = extra == 3 ? lead & 0x07 : extra == 2 ? lead & 0x0F : extra == 1 ? lead & 0x1F : lead;
    bool valid = extra > 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms and encoded surrogates are not valid sequences.
    if (valid && ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
                  (code >= 0xD800 && code <= 0xDFFF)))
      valid = false;
    if (!valid) {
      out += static_cast<lua_WChar>(lead);
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<lua_WChar>(0xD800 + (code >> 10));
      out += static_cast<lua_WChar>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<lua_WChar>(code);
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::string NarrowToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

void OpenWStringLibrary(lua_State* L) {
  luaL_register(L, "wstring", WStringLibFunctions());
  // Both names reach one function.
  lua_getfield(L, -1, "wgmatch");
  lua_setfield(L, -2, "gfind");

  PushMetatable(L);
  lua_pushvalue(L, -2);
  lua_setfield(L, -2, "__index");
  const luaL_Reg meta[] = {{"__lt", MetaLessThan},     {"__le", MetaLessEqual}, {"__concat", MetaConcat},
                           {"__tostring", MetaToString}, {"__len", MetaLength},   {nullptr, nullptr}};
  for (const luaL_Reg* r = meta; r->name != nullptr; ++r) {
    lua_pushcfunction(L, r->func);
    lua_setfield(L, -2, r->name);
  }
  lua_pop(L, 2);

  lua_pushcfunction(L, BaseToWString);
  lua_setglobal(L, "towstring");
  lua_pushcfunction(L, BaseType);
  lua_setglobal(L, "type");
}

}  // namespace OrvLua
