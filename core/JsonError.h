#pragma once
#include <jansson.h>

#include <string>

namespace Orv {

// Where a JSON file broke, for the console: "path: line L, column C: text",
// or "path: text" when the parser got no line (the file could not be read).
std::string DescribeJsonError(const std::string& path, const json_error_t& error);

}  // namespace Orv
