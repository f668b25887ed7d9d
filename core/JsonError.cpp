#include "core/JsonError.h"

namespace Orv {

std::string DescribeJsonError(const std::string& path, const json_error_t& error) {
  if (error.line <= 0) return path + ": " + error.text;
  return path + ": line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ": " + error.text;
}

}  // namespace Orv
