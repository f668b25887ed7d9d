#include "script/ScriptChunk.h"

namespace Orv {

ScriptChunk::ScriptChunk(std::string text, std::string name, bool nameIsFile)
    : text_(std::move(text)), name_(std::move(name)), chunkName_((nameIsFile ? "@" : "=") + name_) {}

std::string ScriptChunk::WithName(const std::string& message) const {
  if (message.compare(0, name_.size(), name_) == 0) return message;
  return name_ + ": " + message;
}

}  // namespace Orv
