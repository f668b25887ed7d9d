#pragma once
// Wide strings: interned, immutable runs of 16-bit characters that scripts
// hold beside ordinary strings. In a state they are full userdata sharing one
// metatable, kept unique through a weak-valued intern table, so equal wide
// strings are one value and one table key.
#include <cstddef>
#include <string>
#include <string_view>

struct lua_State;

namespace OrvLua {

using lua_WChar = char16_t;

// Opens the `wstring` library, the shared metatable, `towstring`, and a
// `type` that names wide strings "wstring".
void OpenWStringLibrary(lua_State* L);

// True when the value at idx is a wide string.
bool lua_iswstring(lua_State* L, int idx);

// Converts a number at idx into a wide string in place ("%.14g", each byte
// widened); returns 0, leaving the value alone, when it is not a number.
int luaV_towstring(lua_State* L, int idx);

// The characters of the wide string at idx (a number is converted in place
// first) and, when len is given, its length; null and 0 for anything else.
const lua_WChar* lua_tolwstring(lua_State* L, int idx, std::size_t* len);
const lua_WChar* lua_towstring(lua_State* L, int idx);

// As lua_tolwstring, else the argument error "wstring expected, got ...".
const lua_WChar* luaL_checklwstring(lua_State* L, int narg, std::size_t* len);
const lua_WChar* luaL_checkwstring(lua_State* L, int narg);

// Pushes the wide string of len characters; the zero-terminated form pushes
// nil for null.
void lua_pushlwstring(lua_State* L, const lua_WChar* s, std::size_t len);
void lua_pushwstring(lua_State* L, const lua_WChar* s);

// Reads a number from wide source text: a decimal with optional sign,
// fraction and exponent, or 0x hexadecimal with optional fraction and binary
// exponent. True when a number was read; end receives where reading stopped.
bool luaO_wstr2d(const lua_WChar* s, double* result, const lua_WChar** end);

// The type name scripts see: "wstring" for wide strings, the core's name
// otherwise.
const char* WTypeName(lua_State* L, int idx);

// Text crosses between the two string kinds as UTF-8: a byte that is not part
// of a valid sequence stands for the character of the same value; characters
// beyond 16 bits become surrogate pairs.
std::u16string WidenUtf8(std::string_view text);
std::string NarrowToUtf8(std::u16string_view text);

}  // namespace OrvLua
