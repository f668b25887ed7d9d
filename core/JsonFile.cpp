#include "core/JsonFile.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/JsonError.h"

namespace Orv {

JsonFile::JsonFile(std::string path) : path_(std::move(path)) {
  std::error_code ignored;
  // A folder opens and reads as empty: the parser would speak of the end of
  // the file.
  if (std::filesystem::is_directory(path_, ignored)) {
    folder_ = true;
    return;
  }
  std::FILE* file = std::fopen(path_.c_str(), "rb");
  if (file == nullptr) {
    // The parser's own words for a file it cannot open.
    root_ = json_load_file(path_.c_str(), 0, &error_);
    return;
  }
  // Editors on the original platform put a UTF-8 byte-order mark in front.
  char mark[3] = {};
  if (std::fread(mark, 1, sizeof mark, file) != sizeof mark || std::memcmp(mark, "\xEF\xBB\xBF", 3) != 0) {
    std::rewind(file);
  }
  root_ = json_loadf(file, 0, &error_);
  std::fclose(file);
}

JsonFile::~JsonFile() {
  if (root_) json_decref(root_);
}

std::string JsonFile::DescribeError() const {
  if (folder_) return path_ + ": a folder, not a file";
  return DescribeJsonError(path_, error_);
}

}  // namespace Orv
