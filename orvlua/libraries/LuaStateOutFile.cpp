#include "LuaStateOutFile.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <string>

namespace OrvLua {
namespace {

// Formats into a string of whatever length the text needs.
std::string FormatV(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int n = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (n <= 0) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

}  // namespace

LuaStateOutFile::~LuaStateOutFile() { Discard(); }

bool LuaStateOutFile::Open(const char* fileName) {
  Close();
  if (fileName == nullptr) return false;
  const bool append = fileName[0] == '+';
  destination_ = append ? fileName + 1 : fileName;
  // Beside the destination, so the rename stays on one file system.
  temporary_ = destination_ + ".dumping";
  file_ = std::fopen(temporary_.c_str(), "wb");
  owned_ = true;
  if (file_ == nullptr) {
    // The caller says why: the clean-up must not change the cause.
    const int cause = errno;
    Discard();
    errno = cause;
    return false;
  }
  if (append) {
    if (std::FILE* old = std::fopen(destination_.c_str(), "rb")) {
      char block[65536];
      std::size_t got = 0;
      while ((got = std::fread(block, 1, sizeof block, old)) > 0) std::fwrite(block, 1, got, file_);
      const bool readFailed = std::ferror(old) != 0;
      std::fclose(old);
      if (readFailed) {
        const int cause = errno;
        Discard();
        errno = cause;
        return false;
      }
    }
  }
  return true;
}

bool LuaStateOutFile::Commit() {
  if (file_ == nullptr) return false;
  bool ok = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  if (owned_) {
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && std::rename(temporary_.c_str(), destination_.c_str()) == 0) {
      temporary_.clear();
    } else {
      ok = false;
    }
  }
  Discard();
  return ok;
}

void LuaStateOutFile::Close() { Commit(); }

void LuaStateOutFile::Discard() {
  if (file_ != nullptr && owned_) std::fclose(file_);
  if (owned_ && !temporary_.empty()) std::remove(temporary_.c_str());
  file_ = nullptr;
  owned_ = false;
  temporary_.clear();
  destination_.clear();
}

void LuaStateOutFile::Print(const char* format, ...) {
  if (file_ == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(file_, format, args);
  va_end(args);
}

LuaStateOutString::~LuaStateOutString() { std::free(buffer_); }

void LuaStateOutString::Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  int n = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (n <= 0) {
    va_end(args);
    return;
  }
  std::size_t needed = length_ + static_cast<std::size_t>(n) + 1;
  if (needed > capacity_) {
    // Whole grow steps, so a dump of many small pieces reallocates rarely.
    std::size_t capacity = capacity_;
    while (capacity < needed) capacity += growBy_;
    char* grown = static_cast<char*>(std::realloc(buffer_, capacity));
    if (grown == nullptr) {
      va_end(args);
      return;
    }
    buffer_ = grown;
    capacity_ = capacity;
  }
  std::vsnprintf(buffer_ + length_, capacity_ - length_, format, args);
  va_end(args);
  length_ += static_cast<std::size_t>(n);
}

void LuaStateOutputDebugStringFile::Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  std::fputs(text.c_str(), stderr);
}

}  // namespace OrvLua
