#include "LuaDump.h"

#include <lua.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "LuaStateOutFile.h"
#include "WString.h"
#include "core/Report.h"
#include "core/ReportOnce.h"

namespace OrvLua {
namespace {

// Registry key of the writer that LuaFilePrint and LuaFileIndent serve.
char kCurrentWriterKey;

// Nesting this deep only comes from generated data; deeper would exhaust the
// C stack before any reader could use the text.
constexpr int kMaxDepth = 500;

// A dump writes a table again wherever it is met, so a few tables that refer
// to each other many times over (a graph of nodes, a tree of shared parts)
// would make gigabytes of text. Past this much the dump stops with a mark:
// less for a dump kept in memory than for one written out.
constexpr std::size_t kMaxStringDumpBytes = 8u << 20;
constexpr std::size_t kMaxWrittenDumpBytes = 256u << 20;

struct DumpOptions {
  bool alphabetical = true;
  int maxIndentLevel = -1;  // -1: no limit
  bool writeAll = false;
  std::size_t maxBytes = kMaxWrittenDumpBytes;
};

bool IsReservedWord(const char* name) {
  static const char* const kWords[] = {"and", "break",    "do",     "else", "elseif", "end",   "false",
                                       "for", "function", "if",     "in",   "local",  "nil",   "not",
                                       "or",  "repeat",   "return", "then", "true",   "until", "while"};
  for (const char* word : kWords) {
    if (std::strcmp(word, name) == 0) return true;
  }
  return false;
}

bool IsValidName(const char* s, std::size_t len) {
  if (len == 0 || std::strlen(s) != len) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(s[0])) return false;
  for (std::size_t i = 1; i < len; ++i) {
    if (!alpha(s[i]) && !(s[i] >= '0' && s[i] <= '9')) return false;
  }
  return !IsReservedWord(s);
}

// The escape of a control character the reader knows by letter, else 0.
char ControlEscape(unsigned c) {
  switch (c) {
    case '\a': return 'a';
    case '\b': return 'b';
    case '\f': return 'f';
    case '\n': return 'n';
    case '\r': return 'r';
    case '\t': return 't';
    case '\v': return 'v';
    default: return 0;
  }
}

// Quoted text with escapes; characters outside printable ASCII as hex of the
// given width (2 digits for bytes, 4 for wide characters).
template <typename Char>
std::string Quote(const Char* s, std::size_t len, const char* hexFormat) {
  std::string text = "\"";
  for (std::size_t i = 0; i < len; ++i) {
    const unsigned c = static_cast<std::make_unsigned_t<Char>>(s[i]);
    if (char e = ControlEscape(c)) {
      text += '\\';
      text += e;
    } else if (c == '"' || c == '\\') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, hexFormat, c);
      text += hex;
    }
  }
  text += '"';
  return text;
}

std::string QuoteString(const char* s, std::size_t len) { return Quote(s, len, "\\x%02x"); }

std::string QuoteWString(const lua_WChar* s, std::size_t len) { return Quote(s, len, "\\x%04x"); }

int AbsIndex(lua_State* L, int idx) { return (idx < 0 && idx > LUA_REGISTRYINDEX) ? lua_gettop(L) + idx + 1 : idx; }

bool OptBoolean(lua_State* L, int arg, bool def) { return lua_isnoneornil(L, arg) ? def : lua_toboolean(L, arg) != 0; }

class DumpWriter {
 public:
  DumpWriter(lua_State* L, LuaStateOutFile& out, const DumpOptions& options) : L_(L), out_(out), options_(options) {}

  // Writes "name = value" at the given indentation; with no name, the value
  // alone. False when nothing was written.
  bool WriteNamed(const char* name, int idx, int level);

  // A table written elsewhere (the globals) is a placeholder if met again.
  void AddToPath(const void* table) { path_.push_back(table); }

  void Print(const char* text) { Write("%s", text); }
  void Indent(int level) {
    if (level > 0) Write("%s", std::string(static_cast<std::size_t>(level), '\t').c_str());
  }
  int CurrentLevel() const { return currentLevel_; }
  // A table's own FormattedWrite raised an error: the text is incomplete.
  bool Failed() const { return failed_; }

 private:
  // Every piece of the dump goes through here, counted against the limit.
  void Write(const char* format, ...);
  void Emit(const char* text, std::size_t length);
  bool MultiLine(int level) const { return options_.maxIndentLevel < 0 || level + 1 < options_.maxIndentLevel; }
  bool IsComment(int idx) const;
  bool CanWriteEntry(int key, int value) const;
  void WriteKey(int idx);
  void WriteComment(int idx, bool multiLine);
  bool WriteValue(int idx, int level, bool breakBefore);
  void WriteTable(int idx, int level, bool breakBefore);
  bool WriteFormatted(int idx, int level);
  void WriteEntries(int idx, int level, bool multiLine);

  lua_State* L_;
  LuaStateOutFile& out_;
  DumpOptions options_;
  std::vector<const void*> path_;  // tables being written, outermost first
  int currentLevel_ = 0;
  std::size_t written_ = 0;
  bool full_ = false;  // the limit was met: nothing more is written
  bool failed_ = false;
};

void DumpWriter::Write(const char* format, ...) {
  if (full_) return;
  va_list args;
  va_start(args, format);
  if (std::strcmp(format, "%s") == 0) {
    // Most pieces are text already; spare them the formatting.
    const char* piece = va_arg(args, const char*);
    va_end(args);
    Emit(piece, std::strlen(piece));
    return;
  }
  va_list measure;
  va_copy(measure, args);
  int n = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (n <= 0) {
    va_end(args);
    return;
  }
  std::string text(static_cast<std::size_t>(n), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  Emit(text.c_str(), text.size());
}

void DumpWriter::Emit(const char* text, std::size_t length) {
  if (written_ + length > options_.maxBytes) {
    full_ = true;
    out_.Print("%s", "'!!!TOO LONG!!!'");
    return;
  }
  written_ += length;
  out_.Print("%s", text);
}

// Makes a writer current for LuaFilePrint and LuaFileIndent while a table's
// own FormattedWrite runs, and puts the previous one back, even on errors.
class CurrentWriterScope {
 public:
  CurrentWriterScope(lua_State* L, DumpWriter* writer) : L_(L) {
    lua_pushlightuserdata(L, &kCurrentWriterKey);
    lua_rawget(L, LUA_REGISTRYINDEX);
    previous_ = lua_touserdata(L, -1);
    lua_pop(L, 1);
    Set(writer);
  }
  ~CurrentWriterScope() { Set(previous_); }
  CurrentWriterScope(const CurrentWriterScope&) = delete;
  CurrentWriterScope& operator=(const CurrentWriterScope&) = delete;

 private:
  void Set(void* writer) {
    lua_pushlightuserdata(L_, &kCurrentWriterKey);
    if (writer != nullptr)
      lua_pushlightuserdata(L_, writer);
    else
      lua_pushnil(L_);
    lua_rawset(L_, LUA_REGISTRYINDEX);
  }

  lua_State* L_;
  void* previous_ = nullptr;
};

DumpWriter& CurrentWriter(lua_State* L) {
  lua_pushlightuserdata(L, &kCurrentWriterKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  auto* writer = static_cast<DumpWriter*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (writer == nullptr) luaL_error(L, "no dump is being written");
  return *writer;
}

int LuaFilePrint(lua_State* L) {
  DumpWriter& writer = CurrentWriter(L);
  writer.Print(luaL_checkstring(L, 1));
  return 0;
}

int LuaFileIndent(lua_State* L) {
  DumpWriter& writer = CurrentWriter(L);
  lua_Integer level = luaL_optinteger(L, 1, writer.CurrentLevel());
  writer.Indent(static_cast<int>(std::clamp<lua_Integer>(level, 0, kMaxDepth)));
  return 0;
}

bool DumpWriter::IsComment(int idx) const {
  switch (lua_type(L_, idx)) {
    case LUA_TFUNCTION:
    case LUA_TLIGHTUSERDATA:
    case LUA_TTHREAD: return true;
    case LUA_TUSERDATA: return !lua_iswstring(L_, idx);
    default: return false;
  }
}

bool DumpWriter::CanWriteEntry(int key, int value) const {
  switch (lua_type(L_, key)) {
    case LUA_TSTRING:
    case LUA_TNUMBER:
    case LUA_TBOOLEAN: break;
    default:
      if (!lua_iswstring(L_, key)) return false;
  }
  return !IsComment(value) || options_.writeAll;
}

void DumpWriter::WriteKey(int idx) {
  switch (lua_type(L_, idx)) {
    case LUA_TSTRING: {
      std::size_t len = 0;
      const char* s = lua_tolstring(L_, idx, &len);
      if (IsValidName(s, len))
        Write("%s", s);
      else
        Write("[%s]", QuoteString(s, len).c_str());
      break;
    }
    case LUA_TNUMBER: Write("[%.16g]", lua_tonumber(L_, idx)); break;
    case LUA_TBOOLEAN: Write("%s", lua_toboolean(L_, idx) ? "[true]" : "[false]"); break;
    default: {
      std::size_t len = 0;
      const lua_WChar* s = lua_tolwstring(L_, idx, &len);
      Write("[%s]", QuoteWString(s, len).c_str());
      break;
    }
  }
}

void DumpWriter::WriteComment(int idx, bool multiLine) {
  // A one-line table has no line end to close a "--" comment.
  Write("%s", multiLine ? "-- " : "--[[ ");
  switch (lua_type(L_, idx)) {
    case LUA_TFUNCTION:
      if (lua_iscfunction(L_, idx)) {
        Write("'cfunction: %p'", lua_topointer(L_, idx));
      } else {
        lua_Debug ar;
        lua_pushvalue(L_, idx);
        lua_getinfo(L_, ">S", &ar);
        Write("'function: %s %d'", ar.short_src, ar.linedefined);
      }
      break;
    case LUA_TTHREAD: Write("'thread: %p'", lua_topointer(L_, idx)); break;
    default: Write("'userdata: %p'", lua_touserdata(L_, idx)); break;
  }
  if (!multiLine) Write(" ]]");
}

bool DumpWriter::WriteNamed(const char* name, int idx, int level) {
  idx = AbsIndex(L_, idx);
  const char* shownName = name != nullptr ? name : "";
  switch (lua_type(L_, idx)) {
    case LUA_TNONE:
    case LUA_TNIL: return false;
    case LUA_TFUNCTION:
      Write("-- %s", shownName);
      if (lua_iscfunction(L_, idx)) {
        Write(" = '!!!CFUNCTION!!!'\n");
      } else {
        lua_Debug ar;
        lua_pushvalue(L_, idx);
        lua_getinfo(L_, ">S", &ar);
        Write(" = '!!!FUNCTION!!! %s %d'\n", ar.short_src, ar.linedefined);
      }
      return true;
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA:
      if (lua_iswstring(L_, idx)) break;
      Write("-- %s", shownName);
      Write(" = '!!!USERDATA!!!'\r\n");
      return true;
    case LUA_TTHREAD: Write("-- %s = 'thread: %p'\n", shownName, lua_topointer(L_, idx)); return true;
    default: break;
  }
  Indent(level);
  if (name != nullptr) Write("%s = ", name);
  WriteValue(idx, level, true);
  if (name != nullptr) Write("\n");
  return true;
}

bool DumpWriter::WriteValue(int idx, int level, bool breakBefore) {
  switch (lua_type(L_, idx)) {
    case LUA_TBOOLEAN: Write("%s", lua_toboolean(L_, idx) ? "true" : "false"); return true;
    case LUA_TNUMBER: Write("%.14g", lua_tonumber(L_, idx)); return true;
    case LUA_TSTRING: {
      std::size_t len = 0;
      const char* s = lua_tolstring(L_, idx, &len);
      Write("%s", QuoteString(s, len).c_str());
      return true;
    }
    case LUA_TTABLE: WriteTable(idx, level, breakBefore); return true;
    case LUA_TUSERDATA:
      if (lua_iswstring(L_, idx)) {
        std::size_t len = 0;
        const lua_WChar* s = lua_tolwstring(L_, idx, &len);
        Write("%s", QuoteWString(s, len).c_str());
        return true;
      }
      return false;
    default: return false;
  }
}

bool DumpWriter::WriteFormatted(int idx, int level) {
  if (!lua_getmetatable(L_, idx)) return false;
  lua_getfield(L_, -1, "FormattedWrite");
  if (lua_type(L_, -1) != LUA_TFUNCTION) {
    lua_pop(L_, 2);
    return false;
  }
  lua_remove(L_, -2);
  lua_pushcfunction(L_, LuaFilePrint);
  lua_setglobal(L_, "LuaFilePrint");
  lua_pushcfunction(L_, LuaFileIndent);
  lua_setglobal(L_, "LuaFileIndent");

  lua_pushvalue(L_, idx);
  lua_pushboolean(L_, options_.alphabetical);
  lua_pushinteger(L_, level);
  lua_pushinteger(L_, options_.maxIndentLevel);
  lua_pushboolean(L_, options_.writeAll);
  int savedLevel = currentLevel_;
  currentLevel_ = level;
  {
    CurrentWriterScope scope(L_, this);
    // The table's writer is script code: its error is reported and the
    // rest of the dump goes on.
    if (int status = lua_pcall(L_, 5, 0, 0); status != 0) {
      failed_ = true;
      const char* message = lua_tostring(L_, -1);
      if (message != nullptr) {
        Orv::PrintErrorLine(message);
      } else {
        Orv::PrintErrorLine("unknown lua error, code: " + std::to_string(status));
      }
      lua_pop(L_, 1);
    }
  }
  currentLevel_ = savedLevel;
  return true;
}

void DumpWriter::WriteTable(int idx, int level, bool breakBefore) {
  if (full_) return;
  const void* table = lua_topointer(L_, idx);
  if (std::find(path_.begin(), path_.end(), table) != path_.end()) {
    Write("'!!!CYCLE!!!'");
    return;
  }
  if (static_cast<int>(path_.size()) >= kMaxDepth) {
    Write("'!!!TOO DEEP!!!'");
    return;
  }
  luaL_checkstack(L_, 10, "table too deep to dump");
  path_.push_back(table);
  if (!WriteFormatted(idx, level)) {
    bool multiLine = MultiLine(level);
    if (breakBefore) {
      Write("\n");
      Indent(level);
    }
    Write("{");
    if (multiLine) Write("\n");
    WriteEntries(idx, level, multiLine);
    if (multiLine) Indent(level);
    Write("}");
  }
  path_.pop_back();
}

void DumpWriter::WriteEntries(int idx, int level, bool multiLine) {
  int written = 0;
  auto separate = [&] {
    if (written++ > 0) Write("%s", multiLine ? ",\n" : ", ");
    if (multiLine) Indent(level + 1);
  };

  // The array part first, as bare values, up to the first hole.
  lua_Integer arrayLength = 0;
  for (; !full_; ++arrayLength) {
    lua_rawgeti(L_, idx, static_cast<int>(arrayLength + 1));
    int value = lua_gettop(L_);
    if (lua_isnil(L_, value)) {
      lua_pop(L_, 1);
      break;
    }
    if (!IsComment(value)) {
      separate();
      WriteValue(value, level + 1, false);
    } else if (options_.writeAll) {
      separate();
      WriteComment(value, multiLine);
    }
    lua_pop(L_, 1);
  }

  // Then every other key, gathered into a scratch array so they can be
  // sorted without disturbing the walk.
  struct Key {
    int slot;
    int rank;  // numbers, strings, booleans, then the rest in walk order
    double number;
    std::string text;
  };
  std::vector<Key> keys;
  lua_newtable(L_);
  int scratch = lua_gettop(L_);
  lua_pushnil(L_);
  while (lua_next(L_, idx) != 0) {
    int key = lua_gettop(L_) - 1;
    int keyType = lua_type(L_, key);
    if (keyType == LUA_TNUMBER) {
      lua_Number n = lua_tonumber(L_, key);
      if (n >= 1 && n <= static_cast<lua_Number>(arrayLength) &&
          n == static_cast<lua_Number>(static_cast<lua_Integer>(n))) {
        lua_pop(L_, 1);
        continue;
      }
    }
    if (CanWriteEntry(key, key + 1)) {
      Key entry{static_cast<int>(keys.size()) + 1, 3, 0.0, {}};
      if (keyType == LUA_TNUMBER) {
        entry.rank = 0;
        entry.number = lua_tonumber(L_, key);
      } else if (keyType == LUA_TSTRING) {
        entry.rank = 1;
        std::size_t len = 0;
        const char* s = lua_tolstring(L_, key, &len);
        entry.text.assign(s, len);
      } else if (keyType == LUA_TBOOLEAN) {
        entry.rank = 2;
        entry.number = lua_toboolean(L_, key);
      }
      lua_pushvalue(L_, key);
      lua_rawseti(L_, scratch, entry.slot);
      keys.push_back(std::move(entry));
    }
    lua_pop(L_, 1);
  }
  if (options_.alphabetical) {
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
      if (a.rank != b.rank) return a.rank < b.rank;
      if (a.rank == 1) return a.text < b.text;
      if (a.rank == 0 || a.rank == 2) return a.number < b.number;
      return false;
    });
  }

  for (const Key& entry : keys) {
    if (full_) break;
    lua_rawgeti(L_, scratch, entry.slot);
    int key = lua_gettop(L_);
    lua_pushvalue(L_, key);
    lua_rawget(L_, idx);
    int value = key + 1;
    separate();
    if (IsComment(value)) {
      WriteComment(value, multiLine);
    } else {
      WriteKey(key);
      Write(" = ");
      WriteValue(value, level + 1, multiLine);
    }
    lua_pop(L_, 2);
  }
  lua_pop(L_, 1);
  if (written > 0 && multiLine) Write("\n");
}

// The destination of a dump: an open io library file, "@" for the debugger
// output, or a file name ("+" in front appends). Null when it cannot open,
// after a line naming the file and why (a folder that does not exist...).
std::unique_ptr<LuaStateOutFile> OpenDestination(lua_State* L, int arg, const char* function) {
  int type = lua_type(L, arg);
  if (type == LUA_TUSERDATA) {
    auto* file = static_cast<std::FILE**>(luaL_checkudata(L, arg, "FILE*"));
    if (*file == nullptr) return nullptr;
    return std::make_unique<LuaStateOutFile>(*file);
  }
  if (type != LUA_TSTRING && type != LUA_TNUMBER) {
    luaL_argerror(L, arg, "file handle or file name expected");
    return nullptr;
  }
  const char* name = lua_tostring(L, arg);
  if (std::strcmp(name, "@") == 0) return std::make_unique<LuaStateOutputDebugStringFile>();
  auto out = std::make_unique<LuaStateOutFile>();
  errno = 0;
  if (!out->Open(name)) {
    const int cause = errno;
    Orv::PrintErrorLine(std::string("Error! ") + function + " cannot write \"" + Orv::QuotedName(name) +
                        "\": " + (cause != 0 ? std::strerror(cause) : "it could not be opened") +
                        "; nothing was written");
    return nullptr;
  }
  return out;
}

void PushDump(lua_State* L, int idx) {
  LuaStateOutString out(10000);
  DumpOptions options;
  options.writeAll = true;
  options.maxBytes = kMaxStringDumpBytes;
  DumpWriter writer(L, out, options);
  writer.WriteNamed(nullptr, idx, 0);
  if (out.GetLength() == 0)
    lua_pushnil(L);
  else
    lua_pushlstring(L, out.GetBuffer(), out.GetLength());
}

// LuaDumpObject(table) returns the dump; LuaDumpObject(file, name, value,
// alphabetical, indentLevel, maxIndentLevel, writeAll) writes it.
int LuaDumpObject(lua_State* L) {
  if (lua_gettop(L) == 1 && lua_type(L, 1) == LUA_TTABLE) return DumpObjectToString(L);
  const char* name = luaL_checkstring(L, 2);
  DumpOptions options;
  options.alphabetical = OptBoolean(L, 4, true);
  lua_Integer indentLevel = luaL_optinteger(L, 5, -1);
  options.maxIndentLevel = static_cast<int>(std::clamp<lua_Integer>(luaL_optinteger(L, 6, -1), -1, kMaxDepth));
  options.writeAll = OptBoolean(L, 7, false);
  std::unique_ptr<LuaStateOutFile> out = OpenDestination(L, 1, "LuaDumpObject");
  if (out == nullptr) {
    lua_pushboolean(L, 0);
    return 1;
  }
  DumpWriter writer(L, *out, options);
  // Nothing to write (a nil value) or an incomplete text leaves a named file
  // as it was.
  const bool written = writer.WriteNamed(name, 3, static_cast<int>(std::clamp<lua_Integer>(indentLevel, 0, kMaxDepth)));
  lua_pushboolean(L, written && !writer.Failed() && out->Commit());
  return 1;
}

// LuaDumpGlobals(file, alphabetical, maxIndentLevel, writeAll): every global
// in the globals table's own order, but for the globals table itself.
int LuaDumpGlobals(lua_State* L) {
  DumpOptions options;
  options.alphabetical = OptBoolean(L, 2, true);
  options.maxIndentLevel = static_cast<int>(std::clamp<lua_Integer>(luaL_optinteger(L, 3, -1), -1, kMaxDepth));
  options.writeAll = OptBoolean(L, 4, false);
  std::unique_ptr<LuaStateOutFile> out = OpenDestination(L, 1, "LuaDumpGlobals");
  if (out == nullptr) {
    lua_pushboolean(L, 0);
    return 1;
  }
  DumpWriter writer(L, *out, options);
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  int globals = lua_gettop(L);
  writer.AddToPath(lua_topointer(L, globals));
  lua_pushnil(L);
  while (lua_next(L, globals) != 0) {
    int key = lua_gettop(L) - 1;
    // The key stays untouched on the stack: converting it in place would
    // break the walk.
    std::string name;
    switch (lua_type(L, key)) {
      case LUA_TSTRING: name = lua_tostring(L, key); break;
      case LUA_TNUMBER: {
        char text[64];
        std::snprintf(text, sizeof text, "[%.16g]", lua_tonumber(L, key));
        name = text;
        break;
      }
      case LUA_TBOOLEAN: name = lua_toboolean(L, key) ? "[true]" : "[false]"; break;
      default: break;
    }
    if (!name.empty() && !lua_rawequal(L, -1, globals)) writer.WriteNamed(name.c_str(), -1, 0);
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
  lua_pushboolean(L, !writer.Failed() && out->Commit());
  return 1;
}

// A table without its own __tostring shows its address and then its dump.
int ToStringWithDump(lua_State* L) {
  luaL_checkany(L, 1);
  lua_settop(L, 1);
  if (lua_type(L, 1) == LUA_TTABLE && !luaL_getmetafield(L, 1, "__tostring")) {
    lua_pushfstring(L, "%s: %p", luaL_typename(L, 1), lua_topointer(L, 1));
    PushDump(L, 1);
    lua_concat(L, 2);
    return 1;
  }
  lua_settop(L, 1);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, 1, 1);
  return 1;
}

}  // namespace

int DumpObjectToString(lua_State* L) {
  PushDump(L, 1);
  return 1;
}

void OpenDumpLibrary(lua_State* L) {
  // Each pair of names holds one function; LuaDumpFile is LuaDumpObject.
  lua_pushcfunction(L, LuaDumpObject);
  for (const char* name : {"LuaDumpObject", "dumpobject", "LuaDumpFile", "dumpfile"}) {
    lua_pushvalue(L, -1);
    lua_setglobal(L, name);
  }
  lua_pop(L, 1);
  lua_pushcfunction(L, LuaDumpGlobals);
  lua_pushvalue(L, -1);
  lua_setglobal(L, "LuaDumpGlobals");
  lua_setglobal(L, "dumpglobals");
  // The standard tostring stays the answer for everything but plain tables.
  lua_getglobal(L, "tostring");
  if (lua_isfunction(L, -1)) {
    lua_pushcclosure(L, ToStringWithDump, 1);
    lua_setglobal(L, "tostring");
  } else {
    lua_pop(L, 1);
  }
}

}  // namespace OrvLua
