#include "WStringLib.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "WPatternMatcher.h"
#include "WString.h"

namespace OrvLua {
namespace {

using WString = std::u16string;

// Negative positions count from the end, as in the string library.
std::ptrdiff_t RelativePosition(std::ptrdiff_t pos, std::size_t len) {
  if (pos < 0) pos += static_cast<std::ptrdiff_t>(len) + 1;
  return pos >= 0 ? pos : 0;
}

void PushWide(lua_State* L, const WString& s) { lua_pushlwstring(L, s.data(), s.size()); }

WString Widen(const char* text, std::size_t len) {
  WString out(len, u'\0');
  for (std::size_t i = 0; i < len; ++i) out[i] = static_cast<unsigned char>(text[i]);
  return out;
}

bool IsAsciiDigit(lua_WChar c) { return c >= '0' && c <= '9'; }

int Len(lua_State* L) {
  std::size_t len = 0;
  luaL_checklwstring(L, 1, &len);
  lua_pushinteger(L, static_cast<lua_Integer>(len));
  return 1;
}

int Sub(lua_State* L) {
  std::size_t len = 0;
  const lua_WChar* s = luaL_checklwstring(L, 1, &len);
  std::ptrdiff_t start = RelativePosition(luaL_checkinteger(L, 2), len);
  std::ptrdiff_t end = RelativePosition(luaL_optinteger(L, 3, -1), len);
  if (start < 1) start = 1;
  if (end > static_cast<std::ptrdiff_t>(len)) end = static_cast<std::ptrdiff_t>(len);
  if (start <= end)
    lua_pushlwstring(L, s + start - 1, static_cast<std::size_t>(end - start + 1));
  else
    lua_pushlwstring(L, s, 0);
  return 1;
}

int Reverse(lua_State* L) {
  std::size_t len = 0;
  const lua_WChar* s = luaL_checklwstring(L, 1, &len);
  WString out(s, len);
  std::reverse(out.begin(), out.end());
  PushWide(L, out);
  return 1;
}

// Argument 1 with every character passed through convert.
int MapCharacters(lua_State* L, lua_WChar (*convert)(lua_WChar)) {
  std::size_t len = 0;
  const lua_WChar* s = luaL_checklwstring(L, 1, &len);
  WString out(s, len);
  for (lua_WChar& c : out) c = convert(c);
  PushWide(L, out);
  return 1;
}

int Lower(lua_State* L) { return MapCharacters(L, WToLower); }

int Upper(lua_State* L) { return MapCharacters(L, WToUpper); }

int Rep(lua_State* L) {
  std::size_t len = 0;
  const lua_WChar* s = luaL_checklwstring(L, 1, &len);
  lua_Integer n = luaL_checkinteger(L, 2);
  if (n <= 0 || len == 0) {
    lua_pushlwstring(L, s, 0);
    return 1;
  }
  // Refuse before allocating rather than fail half-way through.
  if (static_cast<std::size_t>(n) > (static_cast<std::size_t>(1) << 30) / len)
    return luaL_error(L, "resulting string too large");
  WString out;
  out.reserve(len * static_cast<std::size_t>(n));
  for (lua_Integer i = 0; i < n; ++i) out.append(s, len);
  PushWide(L, out);
  return 1;
}

int Byte(lua_State* L) {
  std::size_t len = 0;
  const lua_WChar* s = luaL_checklwstring(L, 1, &len);
  std::ptrdiff_t posi = RelativePosition(luaL_optinteger(L, 2, 1), len);
  std::ptrdiff_t pose = RelativePosition(luaL_optinteger(L, 3, posi), len);
  if (posi <= 0) posi = 1;
  if (pose > static_cast<std::ptrdiff_t>(len)) pose = static_cast<std::ptrdiff_t>(len);
  if (posi > pose) return 0;
  std::ptrdiff_t n = pose - posi + 1;
  if (n > INT32_MAX) return luaL_error(L, "string slice too long");
  luaL_checkstack(L, static_cast<int>(n), "string slice too long");
  for (std::ptrdiff_t i = 0; i < n; ++i) lua_pushinteger(L, s[posi + i - 1]);
  return static_cast<int>(n);
}

int Char(lua_State* L) {
  int n = lua_gettop(L);
  WString out(static_cast<std::size_t>(n), u'\0');
  for (int i = 1; i <= n; ++i) {
    lua_Integer c = luaL_checkinteger(L, i);
    luaL_argcheck(L, c >= 0 && c <= 0xFFFF, i, "invalid value");
    out[static_cast<std::size_t>(i - 1)] = static_cast<lua_WChar>(c);
  }
  PushWide(L, out);
  return 1;
}

bool HasSpecials(const lua_WChar* p, std::size_t len) {
  static const char kSpecials[] = "^$*+?.([%-";
  for (std::size_t i = 0; i < len; ++i) {
    if (p[i] < 128 && p[i] != 0 && std::strchr(kSpecials, static_cast<char>(p[i])) != nullptr) return true;
  }
  return false;
}

const lua_WChar* FindPlain(const lua_WChar* s, std::size_t ls, const lua_WChar* p, std::size_t lp) {
  if (lp == 0) return s;
  if (lp > ls) return nullptr;
  const lua_WChar* found = std::search(s, s + ls, p, p + lp);
  return found == s + ls ? nullptr : found;
}

int FindOrMatch(lua_State* L, bool find) {
  std::size_t ls = 0, lp = 0;
  const lua_WChar* s = luaL_checklwstring(L, 1, &ls);
  const lua_WChar* p = luaL_checklwstring(L, 2, &lp);
  std::ptrdiff_t init = RelativePosition(luaL_optinteger(L, 3, 1), ls) - 1;
  if (init < 0)
    init = 0;
  else if (init > static_cast<std::ptrdiff_t>(ls))
    init = static_cast<std::ptrdiff_t>(ls);

  if (find && (lua_toboolean(L, 4) || !HasSpecials(p, lp))) {
    if (const lua_WChar* found = FindPlain(s + init, ls - static_cast<std::size_t>(init), p, lp)) {
      lua_pushinteger(L, found - s + 1);
      lua_pushinteger(L, found - s + static_cast<std::ptrdiff_t>(lp));
      return 2;
    }
  } else {
    bool anchor = lp > 0 && p[0] == '^';
    const lua_WChar* pattern = anchor ? p + 1 : p;
    WPatternMatcher matcher(L, s, ls, p, lp);
    const lua_WChar* s1 = s + init;
    do {
      matcher.Reset();
      if (const lua_WChar* e = matcher.Match(s1, pattern)) {
        if (find) {
          lua_pushinteger(L, s1 - s + 1);
          lua_pushinteger(L, e - s);
          return matcher.PushCaptures(nullptr, nullptr) + 2;
        }
        return matcher.PushCaptures(s1, e);
      }
    } while (s1++ < matcher.SubjectEnd() && !anchor);
  }
  lua_pushnil(L);
  return 1;
}

int Find(lua_State* L) { return FindOrMatch(L, true); }
int WMatch(lua_State* L) { return FindOrMatch(L, false); }

int GMatchStep(lua_State* L) {
  std::size_t ls = 0, lp = 0;
  const lua_WChar* s = lua_tolwstring(L, lua_upvalueindex(1), &ls);
  const lua_WChar* p = lua_tolwstring(L, lua_upvalueindex(2), &lp);
  WPatternMatcher matcher(L, s, ls, p, lp);
  for (const lua_WChar* src = s + lua_tointeger(L, lua_upvalueindex(3)); src <= matcher.SubjectEnd(); ++src) {
    matcher.Reset();
    if (const lua_WChar* e = matcher.Match(src, p)) {
      lua_Integer next = e - s;
      if (e == src) ++next;  // an empty match moves on by one character
      lua_pushinteger(L, next);
      lua_replace(L, lua_upvalueindex(3));
      return matcher.PushCaptures(src, e);
    }
  }
  return 0;
}

int WGMatch(lua_State* L) {
  luaL_checkwstring(L, 1);
  luaL_checkwstring(L, 2);
  lua_settop(L, 2);
  lua_pushinteger(L, 0);
  lua_pushcclosure(L, GMatchStep, 3);
  return 1;
}

// Appends the replacement text, with %0..%9 standing for captures.
void AddReplacementText(WPatternMatcher& matcher, lua_State* L, WString& out, const WString& repl,
                        const lua_WChar* s, const lua_WChar* e) {
  for (std::size_t i = 0; i < repl.size(); ++i) {
    if (repl[i] != '%') {
      out += repl[i];
      continue;
    }
    ++i;
    lua_WChar c = repl[i];  // a trailing '%' reads the terminating zero
    if (!IsAsciiDigit(c)) {
      out += c;
    } else if (c == '0') {
      out.append(s, static_cast<std::size_t>(e - s));
    } else {
      matcher.PushCapture(c - '1', s, e);
      std::size_t len = 0;
      const lua_WChar* value = lua_tolwstring(L, -1, &len);
      out.append(value, len);
      lua_pop(L, 1);
    }
  }
}

void AddReplacement(WPatternMatcher& matcher, lua_State* L, WString& out, const WString& repl,
                    const lua_WChar* s, const lua_WChar* e) {
  switch (lua_type(L, 3)) {
    case LUA_TFUNCTION: {
      lua_pushvalue(L, 3);
      int n = matcher.PushCaptures(s, e);
      lua_call(L, n, 1);
      break;
    }
    case LUA_TTABLE:
      matcher.PushCapture(0, s, e);
      lua_gettable(L, 3);
      break;
    default:
      AddReplacementText(matcher, L, out, repl, s, e);
      return;
  }
  if (!lua_toboolean(L, -1)) {
    out.append(s, static_cast<std::size_t>(e - s));  // false or nil keeps the match
  } else if (lua_type(L, -1) == LUA_TSTRING) {
    std::size_t len = 0;
    const char* text = lua_tolstring(L, -1, &len);
    out += WidenUtf8({text, len});
  } else if (lua_iswstring(L, -1) || lua_type(L, -1) == LUA_TNUMBER) {
    std::size_t len = 0;
    const lua_WChar* value = lua_tolwstring(L, -1, &len);
    out.append(value, len);
  } else {
    luaL_error(L, "invalid replacement value (a %s)", WTypeName(L, -1));
  }
  lua_pop(L, 1);
}

int GSub(lua_State* L) {
  std::size_t ls = 0, lp = 0;
  const lua_WChar* src = luaL_checklwstring(L, 1, &ls);
  const lua_WChar* p = luaL_checklwstring(L, 2, &lp);
  int replType = lua_type(L, 3);
  bool wideRepl = lua_iswstring(L, 3);
  luaL_argcheck(L,
                replType == LUA_TNUMBER || replType == LUA_TSTRING || replType == LUA_TFUNCTION ||
                    replType == LUA_TTABLE || wideRepl,
                3, "string/wstring/function/table expected");
  lua_Integer maxReplacements = luaL_optinteger(L, 4, static_cast<lua_Integer>(ls) + 1);

  WString repl;
  if (replType == LUA_TSTRING) {
    std::size_t len = 0;
    const char* text = lua_tolstring(L, 3, &len);
    repl = WidenUtf8({text, len});
  } else if (replType == LUA_TNUMBER || wideRepl) {
    std::size_t len = 0;
    const lua_WChar* value = lua_tolwstring(L, 3, &len);
    repl.assign(value, len);
  }

  bool anchor = lp > 0 && p[0] == '^';
  const lua_WChar* pattern = anchor ? p + 1 : p;
  WPatternMatcher matcher(L, src, ls, p, lp);
  WString out;
  lua_Integer count = 0;
  while (count < maxReplacements) {
    matcher.Reset();
    const lua_WChar* e = matcher.Match(src, pattern);
    if (e != nullptr) {
      ++count;
      AddReplacement(matcher, L, out, repl, src, e);
    }
    if (e != nullptr && e > src)
      src = e;
    else if (src < matcher.SubjectEnd())
      out += *src++;
    else
      break;
    if (anchor) break;
  }
  out.append(src, static_cast<std::size_t>(matcher.SubjectEnd() - src));
  PushWide(L, out);
  lua_pushinteger(L, count);
  return 2;
}

void AddQuoted(lua_State* L, WString& out, int arg) {
  std::size_t len = 0;
  const lua_WChar* s = luaL_checklwstring(L, arg, &len);
  out += u'"';
  for (std::size_t i = 0; i < len; ++i) {
    switch (s[i]) {
      case '"':
      case '\\':
      case '\n':
        out += u'\\';
        out += s[i];
        break;
      case '\r': out += u"\\r"; break;
      case 0: out += u"\\000"; break;
      default: out += s[i]; break;
    }
  }
  out += u'"';
}

// Pads text to the width of a %s or %c conversion.
void AddPadded(WString& out, const lua_WChar* text, std::size_t len, const std::string& directive) {
  bool left = false;
  std::size_t i = 1;
  while (i < directive.size() && std::strchr("-+ #0", directive[i]) != nullptr) {
    if (directive[i] == '-') left = true;
    ++i;
  }
  std::size_t width = 0;
  while (i < directive.size() && directive[i] >= '0' && directive[i] <= '9') width = width * 10 + static_cast<std::size_t>(directive[i++] - '0');
  std::size_t pad = width > len ? width - len : 0;
  if (!left) out.append(pad, u' ');
  out.append(text, len);
  if (left) out.append(pad, u' ');
}

long NumberToLong(lua_Number n) {
  if (std::isnan(n)) return 0;
  if (n >= 9.2233720368547758e18) return INT64_MAX;
  if (n <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<long>(n);
}

int Format(lua_State* L) {
  static const char kFlags[] = "-+ #0";
  int top = lua_gettop(L);
  int arg = 1;
  std::size_t lf = 0;
  const lua_WChar* f = luaL_checklwstring(L, arg, &lf);
  const lua_WChar* fEnd = f + lf;
  auto at = [&](const lua_WChar* p) -> lua_WChar { return p < fEnd ? *p : 0; };
  WString out;
  while (f < fEnd) {
    if (*f != '%') {
      out += *f++;
      continue;
    }
    if (at(++f) == '%') {
      out += *f++;
      continue;
    }
    if (IsAsciiDigit(at(f)) && at(f + 1) == '$') return luaL_error(L, "obsolete `format' option (d$)");
    if (++arg > top) luaL_argerror(L, arg, "no value");

    // The conversion's flags, width and precision, checked as the string
    // library checks them, then copied into a narrow format.
    const lua_WChar* p = f;
    while (at(p) != 0 && at(p) < 128 && std::strchr(kFlags, static_cast<char>(at(p))) != nullptr) ++p;
    if (static_cast<std::size_t>(p - f) >= sizeof kFlags) luaL_error(L, "invalid format (repeated flags)");
    if (IsAsciiDigit(at(p))) ++p;
    if (IsAsciiDigit(at(p))) ++p;
    if (at(p) == '.') {
      ++p;
      if (IsAsciiDigit(at(p))) ++p;
      if (IsAsciiDigit(at(p))) ++p;
    }
    if (IsAsciiDigit(at(p))) luaL_error(L, "invalid format (width or precision too long)");
    std::string directive = "%";
    for (const lua_WChar* q = f; q < p; ++q) directive += static_cast<char>(*q);
    lua_WChar conversion = at(p);
    f = p < fEnd ? p + 1 : p;

    char buffer[512];
    switch (conversion) {
      case 'c': {
        lua_WChar c = static_cast<lua_WChar>(NumberToLong(luaL_checknumber(L, arg)));
        AddPadded(out, &c, 1, directive);
        break;
      }
      case 'd':
      case 'i': {
        directive += 'l';
        directive += static_cast<char>(conversion);
        std::snprintf(buffer, sizeof buffer, directive.c_str(), NumberToLong(luaL_checknumber(L, arg)));
        out += Widen(buffer, std::strlen(buffer));
        break;
      }
      case 'o':
      case 'u':
      case 'x':
      case 'X': {
        directive += 'l';
        directive += static_cast<char>(conversion);
        std::snprintf(buffer, sizeof buffer, directive.c_str(),
                      static_cast<unsigned long>(NumberToLong(luaL_checknumber(L, arg))));
        out += Widen(buffer, std::strlen(buffer));
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'g':
      case 'G': {
        directive += static_cast<char>(conversion);
        std::snprintf(buffer, sizeof buffer, directive.c_str(), static_cast<double>(luaL_checknumber(L, arg)));
        out += Widen(buffer, std::strlen(buffer));
        break;
      }
      case 'q':
        AddQuoted(L, out, arg);
        break;
      case 's': {
        std::size_t len = 0;
        const lua_WChar* s = luaL_checklwstring(L, arg, &len);
        std::size_t dot = directive.find('.');
        if (dot == std::string::npos && len >= 100) {
          out.append(s, len);  // long text is taken whole, unpadded
          break;
        }
        // Formatted text ends at the first zero character, as with %s.
        std::size_t shown = 0;
        while (shown < len && s[shown] != 0) ++shown;
        if (dot != std::string::npos) {
          std::size_t precision = 0;
          for (std::size_t i = dot + 1; i < directive.size(); ++i) precision = precision * 10 + static_cast<std::size_t>(directive[i] - '0');
          shown = std::min(shown, precision);
          directive.resize(dot);
        }
        AddPadded(out, s, shown, directive);
        break;
      }
      default: {
        char shown = conversion > 0 && conversion < 128 ? static_cast<char>(conversion) : '?';
        return luaL_error(L, "invalid option '%%%c' to 'format'", shown);
      }
    }
  }
  PushWide(L, out);
  return 1;
}

int HexValue(lua_WChar c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Replaces the escape sequences of Lua source text by their characters.
int LuaLex(lua_State* L) {
  std::size_t len = 0;
  const lua_WChar* s = luaL_checklwstring(L, 1, &len);
  lua_Integer wideHex = luaL_optinteger(L, 2, 0);
  WString out;
  out.reserve(len);
  for (std::size_t i = 0; i < len; ++i) {
    if (s[i] != '\\' || i + 1 >= len) {
      out += s[i];
      continue;
    }
    lua_WChar c = s[++i];
    switch (c) {
      case 'a': out += u'\a'; break;
      case 'b': out += u'\b'; break;
      case 'f': out += u'\f'; break;
      case 'n': out += u'\n'; break;
      case 'r': out += u'\r'; break;
      case 't': out += u'\t'; break;
      case 'v': out += u'\v'; break;
      case 'x': {
        int maxDigits = wideHex > 0 ? 4 : 2;
        unsigned value = 0;
        int digits = 0;
        while (digits < maxDigits && i + 1 < len && HexValue(s[i + 1]) >= 0) {
          value = value * 16 + static_cast<unsigned>(HexValue(s[++i]));
          ++digits;
        }
        out += digits == 0 ? u'x' : static_cast<lua_WChar>(value);
        break;
      }
      default:
        if (IsAsciiDigit(c)) {
          unsigned value = static_cast<unsigned>(c - '0');
          for (int digits = 1; digits < 3 && i + 1 < len && IsAsciiDigit(s[i + 1]); ++digits)
            value = value * 10 + static_cast<unsigned>(s[++i] - '0');
          out += static_cast<lua_WChar>(value);
        } else {
          out += c;
        }
        break;
    }
  }
  PushWide(L, out);
  return 1;
}

const luaL_Reg kFunctions[] = {
    {"byte", Byte},   {"char", Char},       {"find", Find},       {"format", Format}, {"gfind", WGMatch},
    {"wgmatch", WGMatch}, {"gsub", GSub},   {"len", Len},         {"lower", Lower},   {"wmatch", WMatch},
    {"rep", Rep},     {"reverse", Reverse}, {"sub", Sub},         {"upper", Upper},   {"lualex", LuaLex},
    {nullptr, nullptr}};

}  // namespace

const luaL_Reg* WStringLibFunctions() { return kFunctions; }

}  // namespace OrvLua
