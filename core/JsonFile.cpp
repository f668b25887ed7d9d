#include "core/JsonFile.h"

#include "core/JsonError.h"

namespace Orv {

JsonFile::JsonFile(std::string path) : path_(std::move(path)), root_(json_load_file(path_.c_str(), 0, &error_)) {}

JsonFile::~JsonFile() {
  if (root_) json_decref(root_);
}

std::string JsonFile::DescribeError() const { return DescribeJsonError(path_, error_); }

}  // namespace Orv
