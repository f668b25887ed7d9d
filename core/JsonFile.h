#pragma once
// A JSON file read whole into a document, released when the loader goes, on
// every path out of the code that read it.
#include <jansson.h>

#include <string>

namespace Orv {

class JsonFile {
 public:
  // Reads and parses the file; on failure Root() is null and the error says
  // why.
  explicit JsonFile(std::string path);
  ~JsonFile();
  JsonFile(const JsonFile&) = delete;
  JsonFile& operator=(const JsonFile&) = delete;

  // The document; null when the file could not be read or parsed. Owned by
  // this loader.
  json_t* Root() const { return root_; }
  explicit operator bool() const { return root_ != nullptr; }
  const std::string& GetPath() const { return path_; }
  // True when the file was there but is not valid JSON (the parser got as
  // far as a line), or is a folder, unreadable or not a regular file.
  bool IsBroken() const { return root_ == nullptr && (!problem_.empty() || error_.line > 0); }
  // Where the file broke (see DescribeJsonError).
  std::string DescribeError() const;

 private:
  std::string path_;
  json_error_t error_{};
  json_t* root_ = nullptr;
  // Why the path could not be read as a file; empty when it could be, or
  // when nothing is there.
  std::string problem_;
};

}  // namespace Orv
