#include "WPatternMatcher.h"

#include <lua.hpp>

#include <locale.h>
#include <wctype.h>
#include <clocale>
#include <cwctype>

namespace OrvLua {
namespace {

constexpr lua_WChar kEscape = '%';

// The process locale is the program's business; the classes always come from
// a UTF-8 C locale of their own, or plain C when the system has none.
locale_t ClassLocale() {
  static locale_t locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
      if (l != static_cast<locale_t>(nullptr)) return l;
    }
    return newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  return locale;
}

bool IsAsciiDigit(lua_WChar c) { return c >= '0' && c <= '9'; }

bool MatchClass(lua_WChar c, lua_WChar cl) {
  locale_t loc = ClassLocale();
  wint_t w = c;
  bool result;
  lua_WChar lower = (cl >= 'A' && cl <= 'Z') ? static_cast<lua_WChar>(cl - 'A' + 'a') : cl;
  switch (lower) {
    case 'a': result = iswalpha_l(w, loc); break;
    case 'c': result = iswcntrl_l(w, loc); break;
    case 'd': result = iswdigit_l(w, loc); break;
    case 'l': result = iswlower_l(w, loc); break;
    case 'p': result = iswpunct_l(w, loc); break;
    case 's': result = iswspace_l(w, loc); break;
    case 'u': result = iswupper_l(w, loc); break;
    case 'w': result = iswalnum_l(w, loc); break;
    case 'x': result = iswxdigit_l(w, loc); break;
    case 'z': result = (c == 0); break;
    default: return cl == c;
  }
  // An upper-case class letter is the complement.
  if (cl >= 'A' && cl <= 'Z') result = !result;
  return result;
}

}  // namespace

lua_WChar WToLower(lua_WChar c) {
  wint_t r = towlower_l(c, ClassLocale());
  return r <= 0xFFFF ? static_cast<lua_WChar>(r) : c;
}

lua_WChar WToUpper(lua_WChar c) {
  wint_t r = towupper_l(c, ClassLocale());
  return r <= 0xFFFF ? static_cast<lua_WChar>(r) : c;
}

WPatternMatcher::WPatternMatcher(lua_State* L, const lua_WChar* subject, std::size_t subjectLength,
                                 const lua_WChar* pattern, std::size_t patternLength)
    : L_(L), subjectInit_(subject), subjectEnd_(subject + subjectLength), patternEnd_(pattern + patternLength) {}

const lua_WChar* WPatternMatcher::ClassEnd(const lua_WChar* p) {
  lua_WChar c = *p++;
  if (c == kEscape) {
    if (p >= patternEnd_) luaL_error(L_, "malformed pattern (ends with '%%')");
    return p + 1;
  }
  if (c == '[') {
    if (p < patternEnd_ && *p == '^') ++p;
    // The first character of a set is always a member, so "[]]" holds ']'.
    do {
      if (p >= patternEnd_) luaL_error(L_, "malformed pattern (missing ']')");
      lua_WChar cc = *p++;
      if (cc == kEscape && p < patternEnd_) ++p;
    } while (p >= patternEnd_ || *p != ']');
    return p + 1;
  }
  return p;
}

bool WPatternMatcher::MatchBracketClass(lua_WChar c, const lua_WChar* p, const lua_WChar* ec) const {
  bool member = true;
  if (p[1] == '^') {
    member = false;
    ++p;
  }
  while (++p < ec) {
    if (*p == kEscape) {
      ++p;
      if (MatchClass(c, *p)) return member;
    } else if (p[1] == '-' && p + 2 < ec) {
      p += 2;
      if (p[-2] <= c && c <= *p) return member;
    } else if (*p == c) {
      return member;
    }
  }
  return !member;
}

bool WPatternMatcher::SingleMatch(lua_WChar c, const lua_WChar* p, const lua_WChar* ep) const {
  switch (*p) {
    case '.': return true;
    case kEscape: return MatchClass(c, p[1]);
    case '[': return MatchBracketClass(c, p, ep - 1);
    default: return *p == c;
  }
}

const lua_WChar* WPatternMatcher::MatchBalance(const lua_WChar* s, const lua_WChar* p) {
  if (p + 1 >= patternEnd_) luaL_error(L_, "unbalanced pattern");
  if (s >= subjectEnd_ || *s != *p) return nullptr;
  lua_WChar open = p[0];
  lua_WChar close = p[1];
  int depth = 1;
  while (++s < subjectEnd_) {
    if (*s == close) {
      if (--depth == 0) return s + 1;
    } else if (*s == open) {
      ++depth;
    }
  }
  return nullptr;
}

const lua_WChar* WPatternMatcher::MaxExpand(const lua_WChar* s, const lua_WChar* p, const lua_WChar* ep) {
  std::ptrdiff_t i = 0;
  while (s + i < subjectEnd_ && SingleMatch(s[i], p, ep)) ++i;
  // Longest first, then give back one character at a time.
  for (; i >= 0; --i) {
    if (const lua_WChar* res = Match(s + i, ep + 1)) return res;
  }
  return nullptr;
}

const lua_WChar* WPatternMatcher::MinExpand(const lua_WChar* s, const lua_WChar* p, const lua_WChar* ep) {
  for (;;) {
    if (const lua_WChar* res = Match(s, ep + 1)) return res;
    if (s < subjectEnd_ && SingleMatch(*s, p, ep))
      ++s;
    else
      return nullptr;
  }
}

const lua_WChar* WPatternMatcher::StartCapture(const lua_WChar* s, const lua_WChar* p, std::ptrdiff_t what) {
  if (level_ >= kMaxCaptures) luaL_error(L_, "too many captures");
  capture_[level_].init = s;
  capture_[level_].len = what;
  ++level_;
  const lua_WChar* res = Match(s, p);
  if (res == nullptr) --level_;
  return res;
}

int WPatternMatcher::CaptureToClose() {
  for (int level = level_ - 1; level >= 0; --level) {
    if (capture_[level].len == kCapUnfinished) return level;
  }
  return luaL_error(L_, "invalid pattern capture");
}

const lua_WChar* WPatternMatcher::EndCapture(const lua_WChar* s, const lua_WChar* p) {
  int l = CaptureToClose();
  capture_[l].len = s - capture_[l].init;
  const lua_WChar* res = Match(s, p);
  if (res == nullptr) capture_[l].len = kCapUnfinished;
  return res;
}

int WPatternMatcher::CheckCapture(lua_WChar l) {
  int index = static_cast<int>(l) - '1';
  if (index < 0 || index >= level_ || capture_[index].len == kCapUnfinished)
    return luaL_error(L_, "invalid capture index");
  return index;
}

const lua_WChar* WPatternMatcher::MatchCapture(const lua_WChar* s, lua_WChar l) {
  int index = CheckCapture(l);
  std::ptrdiff_t len = capture_[index].len;
  // A position capture holds no text to repeat.
  if (len < 0 || subjectEnd_ - s < len) return nullptr;
  for (std::ptrdiff_t i = 0; i < len; ++i) {
    if (s[i] != capture_[index].init[i]) return nullptr;
  }
  return s + len;
}

const lua_WChar* WPatternMatcher::Match(const lua_WChar* s, const lua_WChar* p) {
  struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
  } guard(depth_);
  if (depth_ > kMaxDepth) luaL_error(L_, "pattern too complex");

  for (;;) {
    if (p >= patternEnd_) return s;
    switch (*p) {
      case '(':
        if (p + 1 < patternEnd_ && p[1] == ')') return StartCapture(s, p + 2, kCapPosition);
        return StartCapture(s, p + 1, kCapUnfinished);
      case ')': return EndCapture(s, p + 1);
      case '$':
        if (p + 1 == patternEnd_) return s == subjectEnd_ ? s : nullptr;
        break;
      case kEscape:
        if (p + 1 < patternEnd_ && p[1] == 'b') {
          s = MatchBalance(s, p + 2);
          if (s == nullptr) return nullptr;
          p += 4;
          continue;
        }
        if (p + 1 < patternEnd_ && p[1] == 'f') {
          p += 2;
          if (p >= patternEnd_ || *p != '[') luaL_error(L_, "missing '[' after '%%f' in pattern");
          const lua_WChar* ep = ClassEnd(p);
          lua_WChar previous = (s == subjectInit_) ? 0 : s[-1];
          lua_WChar current = (s < subjectEnd_) ? *s : 0;
          if (MatchBracketClass(previous, p, ep - 1) || !MatchBracketClass(current, p, ep - 1)) return nullptr;
          p = ep;
          continue;
        }
        if (p + 1 < patternEnd_ && IsAsciiDigit(p[1])) {
          s = MatchCapture(s, p[1]);
          if (s == nullptr) return nullptr;
          p += 2;
          continue;
        }
        break;
      default: break;
    }

    // A single character class, maybe followed by a repetition.
    const lua_WChar* ep = ClassEnd(p);
    bool matched = s < subjectEnd_ && SingleMatch(*s, p, ep);
    if (ep < patternEnd_) {
      switch (*ep) {
        case '?':
          if (matched) {
            if (const lua_WChar* res = Match(s + 1, ep + 1)) return res;
          }
          p = ep + 1;
          continue;
        case '*': return MaxExpand(s, p, ep);
        case '+': return matched ? MaxExpand(s + 1, p, ep) : nullptr;
        case '-': return MinExpand(s, p, ep);
        default: break;
      }
    }
    if (!matched) return nullptr;
    ++s;
    p = ep;
  }
}

void WPatternMatcher::PushCapture(int i, const lua_WChar* s, const lua_WChar* e) {
  if (i >= level_) {
    if (i != 0) luaL_error(L_, "invalid capture index");
    lua_pushlwstring(L_, s, static_cast<std::size_t>(e - s));
    return;
  }
  std::ptrdiff_t len = capture_[i].len;
  if (len == kCapUnfinished) luaL_error(L_, "unfinished capture");
  if (len == kCapPosition)
    lua_pushinteger(L_, capture_[i].init - subjectInit_ + 1);
  else
    lua_pushlwstring(L_, capture_[i].init, static_cast<std::size_t>(len));
}

int WPatternMatcher::PushCaptures(const lua_WChar* s, const lua_WChar* e) {
  int count = (level_ == 0 && s != nullptr) ? 1 : level_;
  luaL_checkstack(L_, count, "too many captures");
  for (int i = 0; i < count; ++i) PushCapture(i, s, e);
  return count;
}

}  // namespace OrvLua
