#include "LuaStateOutFile.h"

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
  m_destination = append ? fileName + 1 : fileName;
  // Beside the destination, so the rename stays on one file system.
  m_temporary = m_destination + ".dumping";
  m_file = std::fopen(m_temporary.c_str(), "wb");
  m_owned = true;
  if (m_file == nullptr) {
    Discard();
    return false;
  }
  if (append) {
    if (std::FILE* old = std::fopen(m_destination.c_str(), "rb")) {
      char block[65536];
      std::size_t got = 0;
      while ((got = std::fread(block, 1, sizeof block, old)) > 0) std::fwrite(block, 1, got, m_file);
      const bool readFailed = std::ferror(old) != 0;
      std::fclose(old);
      if (readFailed) {
        Discard();
        return false;
      }
    }
  }
  return true;
}

bool LuaStateOutFile::Commit() {
  if (m_file == nullptr) return false;
  bool ok = std::fflush(m_file) == 0 && std::ferror(m_file) == 0;
  if (m_owned) {
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (ok && std::rename(m_temporary.c_str(), m_destination.c_str()) == 0) {
      m_temporary.clear();
    } else {
      ok = false;
    }
  }
  Discard();
  return ok;
}

void LuaStateOutFile::Close() { Commit(); }

void LuaStateOutFile::Discard() {
  if (m_file != nullptr && m_owned) std::fclose(m_file);
  if (m_owned && !m_temporary.empty()) std::remove(m_temporary.c_str());
  m_file = nullptr;
  m_owned = false;
  m_temporary.clear();
  m_destination.clear();
}

void LuaStateOutFile::Print(const char* format, ...) {
  if (m_file == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(m_file, format, args);
  va_end(args);
}

LuaStateOutString::~LuaStateOutString() { std::free(m_buffer); }

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
  std::size_t needed = m_length + static_cast<std::size_t>(n) + 1;
  if (needed > m_capacity) {
    // Whole grow steps, so a dump of many small pieces reallocates rarely.
    std::size_t capacity = m_capacity;
    while (capacity < needed) capacity += m_growBy;
    char* grown = static_cast<char*>(std::realloc(m_buffer, capacity));
    if (grown == nullptr) {
      va_end(args);
      return;
    }
    m_buffer = grown;
    m_capacity = capacity;
  }
  std::vsnprintf(m_buffer + m_length, m_capacity - m_length, format, args);
  va_end(args);
  m_length += static_cast<std::size_t>(n);
}

void LuaStateOutputDebugStringFile::Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  std::fputs(text.c_str(), stderr);
}

}  // namespace OrvLua
