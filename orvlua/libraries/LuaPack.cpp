#include "LuaPack.h"

#include <lua.hpp>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "WString.h"

namespace OrvLua {
namespace {

constexpr bool kNativeBigEndian = std::endian::native == std::endian::big;
constexpr char kStringCodes[] = "zApPa";

[[noreturn]] void BadCode(lua_State* L, int formatArg, char code) {
  luaL_argerror(L, formatArg, lua_pushfstring(L, "bad code `%c'", code));
  std::abort();  // not reached: the argument error unwinds
}

// A decimal count after a code, saturating rather than overflowing.
int ReadCount(const char*& p, const char* end, int fallback) {
  if (p >= end || *p < '0' || *p > '9') return fallback;
  long long n = 0;
  while (p < end && *p >= '0' && *p <= '9') {
    n = n * 10 + (*p++ - '0');
    if (n > INT_MAX) n = INT_MAX;
  }
  return static_cast<int>(n);
}

int IntegerSize(char code) {
  switch (code) {
    case 'b':
    case 'c': return 1;
    case 'h':
    case 'H': return 2;
    case 'i':
    case 'I':
    case 'l':
    case 'L': return 4;
    default: return 0;
  }
}

bool IsSignedCode(char code) { return code == 'c' || code == 'h' || code == 'i' || code == 'l'; }

int PrefixSize(char code) { return code == 'p' ? 1 : code == 'P' ? 2 : code == 'a' ? 4 : 0; }

// The number truncated toward zero, as the bits of a two's complement
// integer wide enough for every code; out-of-range values wrap.
std::uint64_t ToBits(lua_Number x) {
  if (std::isnan(x) || std::isinf(x)) return 0;
  double t = std::trunc(x);
  if (t >= -9223372036854775808.0 && t < 9223372036854775808.0)
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(t));
  // Beyond 64 bits only the low bits survive, as they would in a cast.
  constexpr double kTwo64 = 18446744073709551616.0;
  t = std::fmod(t, kTwo64);
  if (t < 0) t += kTwo64;
  return t >= 9223372036854775808.0 ? static_cast<std::uint64_t>(t - 9223372036854775808.0) + (1ull << 63)
                                    : static_cast<std::uint64_t>(t);
}

void PutBytes(std::string& out, std::uint64_t value, int size, bool bigEndian) {
  for (int i = 0; i < size; ++i) {
    int shift = 8 * (bigEndian ? size - 1 - i : i);
    out += static_cast<char>((value >> shift) & 0xFF);
  }
}

std::uint64_t GetBytes(const char* p, int size, bool bigEndian) {
  std::uint64_t value = 0;
  for (int i = 0; i < size; ++i) {
    int shift = 8 * (bigEndian ? size - 1 - i : i);
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << shift;
  }
  return value;
}

void PackString(lua_State* L, int arg, char code, bool wide, bool bigEndian, std::string& out) {
  std::size_t len = 0;
  const char* narrow = nullptr;
  const lua_WChar* chars = nullptr;
  if (wide)
    chars = luaL_checklwstring(L, arg, &len);
  else
    narrow = luaL_checklstring(L, arg, &len);

  int prefix = PrefixSize(code);
  if (prefix > 0) {
    // A prefix that cannot hold the length would make the data unreadable.
    std::uint64_t limit = prefix == 4 ? 0xFFFFFFFFull : (1ull << (8 * prefix)) - 1;
    if (len > limit) luaL_argerror(L, arg, "string too long for its length prefix");
    PutBytes(out, len, prefix, bigEndian);
  }
  if (wide) {
    for (std::size_t i = 0; i < len; ++i) PutBytes(out, chars[i], 2, bigEndian);
    if (code == 'z') PutBytes(out, 0, 2, bigEndian);
  } else {
    out.append(narrow, len);
    if (code == 'z') out += '\0';
  }
}

void PushChars(lua_State* L, const char* p, std::size_t count, bool wide, bool bigEndian) {
  luaL_checkstack(L, 1, "too many results");
  if (!wide) {
    lua_pushlstring(L, p, count);
    return;
  }
  std::u16string chars(count, u'\0');
  for (std::size_t i = 0; i < count; ++i) chars[i] = static_cast<lua_WChar>(GetBytes(p + 2 * i, 2, bigEndian));
  lua_pushlwstring(L, chars.data(), chars.size());
}

}  // namespace

int StringPack(lua_State* L) {
  std::size_t formatLength = 0;
  const char* f = luaL_checklstring(L, 1, &formatLength);
  const char* end = f + formatLength;
  int arg = 1;
  bool bigEndian = kNativeBigEndian;
  std::string out;

  // An "@N[:F]" field: the next "@" (or the end) fills with F up to N bytes.
  bool fieldOpen = false;
  std::size_t fieldStart = 0;
  std::size_t fieldSize = 0;
  char fill = 0;
  auto closeField = [&] {
    if (fieldOpen && out.size() - fieldStart < fieldSize) out.append(fieldSize - (out.size() - fieldStart), fill);
    fieldOpen = false;
  };

  while (f < end) {
    char code = *f++;
    bool wide = false;
    if (code == 'w') {
      if (f >= end || *f == '\0' || std::strchr(kStringCodes, *f) == nullptr) BadCode(L, 1, 'w');
      wide = true;
      code = *f++;
    }
    if (code == '@') {
      closeField();
      fieldSize = static_cast<std::size_t>(ReadCount(f, end, 0));
      fill = 0;
      if (f < end && *f == ':') {
        ++f;
        int value = ReadCount(f, end, -1);
        if (value < 0 || value > 255) luaL_argerror(L, 1, "bad fill byte after `@'");
        fill = static_cast<char>(value);
      }
      fieldOpen = true;
      fieldStart = out.size();
      continue;
    }
    int count = ReadCount(f, end, 1);
    switch (code) {
      case '<': bigEndian = false; break;
      case '>': bigEndian = true; break;
      case '=': bigEndian = kNativeBigEndian; break;
      case ' ':
      case ',': break;
      case 'z':
      case 'A':
      case 'p':
      case 'P':
      case 'a':
        for (int i = 0; i < count; ++i) PackString(L, ++arg, code, wide, bigEndian, out);
        break;
      case 'b':
      case 'c':
      case 'h':
      case 'H':
      case 'i':
      case 'I':
      case 'l':
      case 'L':
        for (int i = 0; i < count; ++i) PutBytes(out, ToBits(luaL_checknumber(L, ++arg)), IntegerSize(code), bigEndian);
        break;
      case 'f':
        for (int i = 0; i < count; ++i) {
          double x = luaL_checknumber(L, ++arg);
          // Beyond the float range is infinity, not undefined behaviour.
          float value = std::isfinite(x) && std::fabs(x) > FLT_MAX ? std::copysign(INFINITY, x) : static_cast<float>(x);
          PutBytes(out, std::bit_cast<std::uint32_t>(value), 4, bigEndian);
        }
        break;
      case 'd':
      case 'n':
        for (int i = 0; i < count; ++i)
          PutBytes(out, std::bit_cast<std::uint64_t>(static_cast<double>(luaL_checknumber(L, ++arg))), 8, bigEndian);
        break;
      case 'B':
        for (int i = 0; i < count; ++i) {
          if (!lua_isboolean(L, ++arg)) luaL_argerror(L, arg, "expected a boolean");
          out += static_cast<char>(lua_toboolean(L, arg) ? 1 : 0);
        }
        break;
      default: BadCode(L, 1, code);
    }
  }
  closeField();
  lua_pushlstring(L, out.data(), out.size());
  return 1;
}

int StringUnpack(lua_State* L) {
  std::size_t length = 0;
  const char* data = luaL_checklstring(L, 1, &length);
  std::size_t formatLength = 0;
  const char* f = luaL_checklstring(L, 2, &formatLength);
  const char* end = f + formatLength;
  lua_Integer init = luaL_optinteger(L, 3, 1);
  luaL_argcheck(L, init >= 1, 3, "initial position out of range");

  std::size_t pos = static_cast<std::size_t>(init - 1);
  auto available = [&] { return pos < length ? length - pos : 0; };
  bool bigEndian = kNativeBigEndian;
  lua_settop(L, 3);
  lua_pushnil(L);  // becomes the position after the last byte read
  int results = 1;

  // Running out of data ends the walk quietly with what was read so far;
  // nothing is ever read beyond the data, whatever a prefix claims.
  while (f < end) {
    char code = *f++;
    bool wide = false;
    if (code == 'w') {
      if (f >= end || *f == '\0' || std::strchr(kStringCodes, *f) == nullptr) BadCode(L, 2, 'w');
      wide = true;
      code = *f++;
    }
    int count = ReadCount(f, end, 1);
    std::size_t unit = wide ? 2 : 1;
    switch (code) {
      case '<': bigEndian = false; break;
      case '>': bigEndian = true; break;
      case '=': bigEndian = kNativeBigEndian; break;
      case ' ':
      case ',': break;
      case 'A': {
        std::size_t bytes = static_cast<std::size_t>(count) * unit;
        if (bytes > available()) goto done;
        PushChars(L, data + pos, static_cast<std::size_t>(count), wide, bigEndian);
        ++results;
        pos += bytes;
        break;
      }
      case 'z':
        for (int i = 0; i < count; ++i) {
          std::size_t chars = 0;
          for (;; ++chars) {
            if ((chars + 1) * unit > available()) goto done;
            if (GetBytes(data + pos + chars * unit, static_cast<int>(unit), bigEndian) == 0) break;
          }
          PushChars(L, data + pos, chars, wide, bigEndian);
          ++results;
          pos += (chars + 1) * unit;
        }
        break;
      case 'p':
      case 'P':
      case 'a':
        for (int i = 0; i < count; ++i) {
          std::size_t prefix = static_cast<std::size_t>(PrefixSize(code));
          if (prefix > available()) goto done;
          std::size_t chars = static_cast<std::size_t>(GetBytes(data + pos, static_cast<int>(prefix), bigEndian));
          if (chars > (available() - prefix) / unit) goto done;
          PushChars(L, data + pos + prefix, chars, wide, bigEndian);
          ++results;
          pos += prefix + chars * unit;
        }
        break;
      case 'b':
      case 'c':
      case 'h':
      case 'H':
      case 'i':
      case 'I':
      case 'l':
      case 'L': {
        int size = IntegerSize(code);
        for (int i = 0; i < count; ++i) {
          if (static_cast<std::size_t>(size) > available()) goto done;
          std::uint64_t bits = GetBytes(data + pos, size, bigEndian);
          double value = static_cast<double>(bits);
          if (IsSignedCode(code) && (bits >> (8 * size - 1)) != 0) value -= std::ldexp(1.0, 8 * size);
          luaL_checkstack(L, 1, "too many results");
          lua_pushnumber(L, value);
          ++results;
          pos += static_cast<std::size_t>(size);
        }
        break;
      }
      case 'f':
        for (int i = 0; i < count; ++i) {
          if (4 > available()) goto done;
          luaL_checkstack(L, 1, "too many results");
          lua_pushnumber(L, std::bit_cast<float>(static_cast<std::uint32_t>(GetBytes(data + pos, 4, bigEndian))));
          ++results;
          pos += 4;
        }
        break;
      case 'd':
      case 'n':
        for (int i = 0; i < count; ++i) {
          if (8 > available()) goto done;
          luaL_checkstack(L, 1, "too many results");
          lua_pushnumber(L, std::bit_cast<double>(GetBytes(data + pos, 8, bigEndian)));
          ++results;
          pos += 8;
        }
        break;
      case 'B':
        for (int i = 0; i < count; ++i) {
          if (1 > available()) goto done;
          luaL_checkstack(L, 1, "too many results");
          lua_pushboolean(L, data[pos] != 0);
          ++results;
          pos += 1;
        }
        break;
      default: BadCode(L, 2, code);
    }
  }
done:
  lua_pushinteger(L, static_cast<lua_Integer>(pos + 1));
  lua_replace(L, 4);
  return results;
}

void OpenPackLibrary(lua_State* L) {
  lua_getglobal(L, "string");
  if (lua_istable(L, -1)) {
    lua_pushcfunction(L, StringPack);
    lua_setfield(L, -2, "pack");
    lua_pushcfunction(L, StringUnpack);
    lua_setfield(L, -2, "unpack");
  }
  lua_pop(L, 1);
}

}  // namespace OrvLua
