#include "core/JsonFile.h"

#include <cstdio>
#include <cstring>

#include "core/JsonError.h"
#include "platform/Files.h"

namespace Orv {

JsonFile::JsonFile(std::string path) : path_(std::move(path)) {
  // A folder opens and reads as empty, so the parser would speak of the end
  // of the file; a pipe would wait for a writer. Only a missing file is left
  // to the parser's own words.
  problem_ = Platform::FileProblem(path_);
  if (Platform::IsMissing(problem_)) problem_.clear();
  if (!problem_.empty()) return;
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
  if (!problem_.empty()) return path_ + ": " + problem_;
  return DescribeJsonError(path_, error_);
}

}  // namespace Orv
