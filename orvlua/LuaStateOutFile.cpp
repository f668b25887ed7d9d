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

LuaStateOutFile::~LuaStateOutFile() { Close(); }

bool LuaStateOutFile::Open(const char* fileName) {
  Close();
  if (fileName == nullptr) return false;
  if (fileName[0] == '+')
    m_file = std::fopen(fileName + 1, "a+b");
  else
    m_file = std::fopen(fileName, "wb");
  m_owned = true;
  return m_file != nullptr;
}

void LuaStateOutFile::Close() {
  if (m_file != nullptr && m_owned) std::fclose(m_file);
  m_file = nullptr;
  m_owned = false;
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
