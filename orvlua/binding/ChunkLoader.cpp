#include "ChunkLoader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ContinueRewriter.h"
#include "ScriptInterrupt.h"

namespace OrvLua {

namespace {

// The chunk name as the core shows it in messages ("[string ...]", a file
// name, or the name after '='): the core's own rendering of it.
std::string ShortSource(lua_State* L, const char* chunkname) {
  if (luaL_loadbuffer(L, "", 0, chunkname) != 0) {
    lua_pop(L, 1);
    return "?";
  }
  lua_Debug ar;
  lua_getinfo(L, ">S", &ar);
  return ar.short_src;
}

int PushError(lua_State* L, const char* chunkname, int line, const std::string& message) {
  std::string text = ShortSource(L, chunkname) + ":" + std::to_string(line) + ": " + message;
  lua_pushlstring(L, text.data(), text.size());
  return LUA_ERRSYNTAX;
}

int LoadAux(lua_State* L, int status) {
  if (status == 0) return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

int LoadStringFunction(lua_State* L) {
  size_t size = 0;
  const char* text = luaL_checklstring(L, 1, &size);
  const char* chunkname = luaL_optstring(L, 2, text);
  return LoadAux(L, LoadBuffer(L, text, size, chunkname));
}

int LoadFunction(lua_State* L) {
  const char* chunkname = luaL_optstring(L, 2, "=(load)");
  luaL_checktype(L, 1, LUA_TFUNCTION);
  lua_settop(L, 2);
  std::string text;
  while (true) {
    lua_pushvalue(L, 1);
    if (lua_pcall(L, 0, 1, 0) != 0) return LoadAux(L, LUA_ERRRUN);
    if (lua_isnil(L, -1)) {
      lua_pop(L, 1);
      break;
    }
    if (!lua_isstring(L, -1)) {
      lua_pop(L, 1);
      lua_pushstring(L, "reader function must return a string");
      return LoadAux(L, LUA_ERRRUN);
    }
    size_t size = 0;
    const char* piece = lua_tolstring(L, -1, &size);
    if (size == 0) {
      lua_pop(L, 1);
      break;
    }
    text.append(piece, size);
    lua_pop(L, 1);
  }
  return LoadAux(L, LoadBuffer(L, text.data(), text.size(), chunkname));
}

int LoadFileFunction(lua_State* L) {
  const char* filename = luaL_optstring(L, 1, nullptr);
  return LoadAux(L, LoadFile(L, filename));
}

int DoFileFunction(lua_State* L) {
  const char* filename = luaL_optstring(L, 1, nullptr);
  int base = lua_gettop(L);
  if (LoadFile(L, filename) != 0) lua_error(L);
  lua_call(L, 0, LUA_MULTRET);
  return lua_gettop(L) - base;
}

bool Readable(const std::string& filename) {
  FILE* f = std::fopen(filename.c_str(), "r");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// The searcher of Lua files along package.path; upvalue 1 is the package
// table.
int LuaFileSearcher(lua_State* L) {
  const char* name = luaL_checkstring(L, 1);
  lua_getfield(L, lua_upvalueindex(1), "path");
  const char* path = lua_tostring(L, -1);
  if (!path) luaL_error(L, "'package.path' must be a string");
  std::string module(name);
  for (char& c : module) {
    if (c == '.') c = '/';
  }
  std::string notFound;
  std::string_view rest(path);
  while (!rest.empty()) {
    size_t end = rest.find(';');
    std::string_view pattern = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (pattern.empty()) continue;
    std::string filename;
    for (char c : pattern) {
      if (c == '?') {
        filename += module;
      } else {
        filename += c;
      }
    }
    if (!Readable(filename)) {
      notFound += "\n\tno file '" + filename + "'";
      continue;
    }
    if (LoadFile(L, filename.c_str()) != 0) {
      luaL_error(L, "error loading module '%s' from file '%s':\n\t%s", lua_tostring(L, 1), filename.c_str(),
                 lua_tostring(L, -1));
    }
    return 1;
  }
  lua_pushlstring(L, notFound.data(), notFound.size());
  return 1;
}

}  // namespace

int LoadBuffer(lua_State* L, const char* buffer, size_t size, const char* chunkname) {
  if (!chunkname) chunkname = "?";
  // Precompiled chunks start with the escape character.
  if (size > 0 && buffer[0] == '\033') return luaL_loadbuffer(L, buffer, size, chunkname);
  std::string_view source(buffer, size);
  ContinueRewrite rewrite = ContinueRewriter::Rewrite(source);
  switch (rewrite.status) {
    case ContinueRewrite::Status::Unchanged:
      return luaL_loadbuffer(L, buffer, size, chunkname);
    case ContinueRewrite::Status::NoLoop:
      return PushError(L, chunkname, rewrite.line, "no loop to continue");
    case ContinueRewrite::Status::Rewritten: {
      int status = luaL_loadbuffer(L, rewrite.text.data(), rewrite.text.size(), chunkname);
      if (status == 0) return 0;
      // The text has an error of its own: let the core name it as written.
      std::string plain = ContinueRewriter::Neutralise(source);
      if (luaL_loadbuffer(L, plain.data(), plain.size(), chunkname) != 0) {
        lua_remove(L, -2);
      } else {
        lua_pop(L, 1);
      }
      return status;
    }
    case ContinueRewrite::Status::Unparsed:
    default: {
      std::string plain = ContinueRewriter::Neutralise(source);
      int status = luaL_loadbuffer(L, plain.data(), plain.size(), chunkname);
      if (status != 0) return status;
      // The core accepts what the rewriter could not read: refuse it rather
      // than run it with its `continue` statements blanked out.
      lua_pop(L, 1);
      return PushError(L, chunkname, rewrite.line, rewrite.message);
    }
  }
}

size_t ByteOrderMarkLength(const char* text, size_t size) {
  return size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
}


int LoadFile(lua_State* L, const char* filename) {
  std::string chunkname = filename ? std::string("@") + filename : std::string("=stdin");
  const char* shownName = chunkname.c_str() + 1;
  FILE* f = filename ? std::fopen(filename, "rb") : stdin;
  if (!f) {
    lua_pushfstring(L, "cannot open %s: %s", shownName, std::strerror(errno));
    return LUA_ERRFILE;
  }
  std::string text;
  char block[4096];
  size_t got = 0;
  while (!InterruptPending() && (got = std::fread(block, 1, sizeof block, f)) > 0) text.append(block, got);
  bool failed = std::ferror(f) != 0;
  int readError = errno;
  if (filename) std::fclose(f);
  if (InterruptPending()) {
    lua_pushfstring(L, "cannot read %s: interrupted!", shownName);
    return LUA_ERRFILE;
  }
  if (failed) {
    lua_pushfstring(L, "cannot read %s: %s", shownName, std::strerror(readError));
    return LUA_ERRFILE;
  }
  text.erase(0, ByteOrderMarkLength(text.data(), text.size()));
  // A first line starting with '#' is skipped, its line end kept, so lines
  // keep their numbers.
  if (!text.empty() && text[0] == '#') {
    size_t end = text.find('\n');
    text.erase(0, end == std::string::npos ? text.size() : end);
  }
  return LoadBuffer(L, text.data(), text.size(), chunkname.c_str());
}

void InstallChunkLoaders(lua_State* L) {
  lua_register(L, "loadstring", &LoadStringFunction);
  lua_register(L, "load", &LoadFunction);
  lua_register(L, "loadfile", &LoadFileFunction);
  lua_register(L, "dofile", &DoFileFunction);
  lua_getglobal(L, "package");
  if (lua_istable(L, -1)) {
    lua_getfield(L, -1, "loaders");
    if (lua_istable(L, -1)) {
      lua_pushvalue(L, -2);
      lua_pushcclosure(L, &LuaFileSearcher, 1);
      lua_rawseti(L, -2, 2);
    }
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
}

}  // namespace OrvLua
