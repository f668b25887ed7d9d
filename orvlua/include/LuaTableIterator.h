#pragma once
// Walks a table in the core's `next` order: the array part, then the hash
// part. Each step runs protected, so a table changed under the walk ends it
// with a report instead of ending the process.
#include "LuaObject.h"

namespace OrvLua {

class LuaTableIterator {
 public:
  // The reset flag is kept for callers that pass it; the walk always starts
  // at the first pair.
  explicit LuaTableIterator(const LuaObject& table, bool reset = true);
  LuaTableIterator(const LuaTableIterator&) = delete;
  LuaTableIterator& operator=(const LuaTableIterator&) = delete;

  bool Next();
  LuaTableIterator& operator++() {
    Next();
    return *this;
  }
  bool IsValid() const { return !done_; }
  explicit operator bool() const { return !done_; }

  LuaObject& GetKey();
  LuaObject& GetValue();

 private:
  void Step();

  LuaObject key_;
  LuaObject value_;
  LuaObject table_;
  bool done_ = true;
};

}  // namespace OrvLua
