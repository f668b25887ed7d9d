#pragma once
// The pattern matching of the wstring library: the string library's pattern
// syntax over 16-bit characters, with character classes and case taken from
// a UTF-8 aware C locale so letters beyond ASCII classify and map too.
#include <cstddef>

#include "WString.h"

namespace OrvLua {

lua_WChar WToLower(lua_WChar c);
lua_WChar WToUpper(lua_WChar c);

class WPatternMatcher {
 public:
  static constexpr int kMaxCaptures = 32;

  // The subject and the pattern stay owned by the caller (both are wide
  // strings held on the Lua stack for the matcher's lifetime).
  WPatternMatcher(lua_State* L, const lua_WChar* subject, std::size_t subjectLength, const lua_WChar* pattern,
                  std::size_t patternLength);

  // Tries the pattern from patternStart at s; the end of the match or null.
  const lua_WChar* Match(const lua_WChar* s, const lua_WChar* patternStart);

  // Clears the captures before each new attempt.
  void Reset() {
    level_ = 0;
    depth_ = 0;
  }

  // Pushes capture i (the whole match s..e when there are no captures).
  void PushCapture(int i, const lua_WChar* s, const lua_WChar* e);
  // Pushes every capture, or the whole match when there is none and s is
  // given; returns how many values were pushed.
  int PushCaptures(const lua_WChar* s, const lua_WChar* e);

  int Level() const { return level_; }
  const lua_WChar* SubjectEnd() const { return subjectEnd_; }

 private:
  static constexpr std::ptrdiff_t kCapUnfinished = -1;
  static constexpr std::ptrdiff_t kCapPosition = -2;
  // Deep enough for any pattern written by hand; deeper recursion would only
  // come from runaway patterns and would exhaust the C stack.
  static constexpr int kMaxDepth = 200;

  const lua_WChar* ClassEnd(const lua_WChar* p);
  bool SingleMatch(lua_WChar c, const lua_WChar* p, const lua_WChar* ep) const;
  bool MatchBracketClass(lua_WChar c, const lua_WChar* p, const lua_WChar* ec) const;
  const lua_WChar* MatchBalance(const lua_WChar* s, const lua_WChar* p);
  const lua_WChar* MaxExpand(const lua_WChar* s, const lua_WChar* p, const lua_WChar* ep);
  const lua_WChar* MinExpand(const lua_WChar* s, const lua_WChar* p, const lua_WChar* ep);
  const lua_WChar* StartCapture(const lua_WChar* s, const lua_WChar* p, std::ptrdiff_t what);
  const lua_WChar* EndCapture(const lua_WChar* s, const lua_WChar* p);
  const lua_WChar* MatchCapture(const lua_WChar* s, lua_WChar l);
  int CheckCapture(lua_WChar l);
  int CaptureToClose();

  struct Capture {
    const lua_WChar* init;
    std::ptrdiff_t len;
  };

  lua_State* L_;
  const lua_WChar* subjectInit_;
  const lua_WChar* subjectEnd_;
  const lua_WChar* patternEnd_;
  int level_ = 0;
  int depth_ = 0;
  Capture capture_[kMaxCaptures];
};

}  // namespace OrvLua
