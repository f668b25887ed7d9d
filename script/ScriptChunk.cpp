#include "script/ScriptChunk.h"


#include "ChunkLoader.h"

namespace Orv {

namespace {

int AppendTo(lua_State*, const void* block, size_t size, void* out) {
  static_cast<std::string*>(out)->append(static_cast<const char*>(block), size);
  return 0;
}

}  // namespace

ScriptChunk::ScriptChunk(std::string text, std::string name, bool nameIsFile)
    : text_(std::move(text)), name_(std::move(name)), chunkName_((nameIsFile ? "@" : "=") + name_) {}

int ScriptChunk::Load(lua_State* L) {
  if (!compiled_.empty()) return luaL_loadbuffer(L, compiled_.data(), compiled_.size(), chunkName_.c_str());
  const size_t skipped = OrvLua::ByteOrderMarkLength(text_.data(), text_.size());
  const int status =
      OrvLua::LoadBuffer(L, text_.data() + skipped, text_.size() - skipped, chunkName_.c_str());
  if (status == 0) {
    std::string compiled;
    if (lua_dump(L, &AppendTo, &compiled) == 0) compiled_ = std::move(compiled);
  }
  return status;
}

bool ScriptChunk::Check(std::string& message) {
  lua_State* L = luaL_newstate();
  if (L == nullptr) return true;
  const bool ok = Load(L) == 0;
  if (!ok) message = lua_isstring(L, -1) ? lua_tostring(L, -1) : "?";
  lua_close(L);
  return ok;
}

std::string ScriptChunk::WithName(const std::string& message) const {
  if (message.compare(0, name_.size(), name_) == 0) return message;
  return name_ + ": " + message;
}

}  // namespace Orv
