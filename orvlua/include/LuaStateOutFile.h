#pragma once
// Where a dump goes: a file stream, a growing string in memory, or the
// debugger output (standard error here).
#include <cstddef>
#include <cstdio>
#include <string>

namespace OrvLua {

class LuaStateOutFile {
 public:
  LuaStateOutFile() = default;
  // Writes to a stream the caller keeps owning (an open io library file).
  explicit LuaStateOutFile(std::FILE* file) : file_(file) {}
  LuaStateOutFile(const LuaStateOutFile&) = delete;
  LuaStateOutFile& operator=(const LuaStateOutFile&) = delete;
  virtual ~LuaStateOutFile();

  // A leading "+" appends to the named file, anything else replaces it. The
  // text goes to a temporary file beside it until Commit.
  virtual bool Open(const char* fileName);
  // Puts the written text in place of the named file; false (the file left
  // as it was) when any write failed. A stream given by the caller is flushed.
  virtual bool Commit();
  // Commit without the answer.
  virtual void Close();
  // Drops what was written: the named file stays as it was. A writer dropped
  // without Close, on an error, does the same.
  void Discard();
  __attribute__((format(printf, 2, 3))) virtual void Print(const char* format, ...);

 protected:
  std::FILE* file_ = nullptr;
  bool owned_ = false;
  std::string destination_;
  std::string temporary_;
};

class LuaStateOutString : public LuaStateOutFile {
 public:
  explicit LuaStateOutString(std::size_t growBy) : growBy_(growBy > 0 ? growBy : 1) {}
  ~LuaStateOutString() override;

  __attribute__((format(printf, 2, 3))) void Print(const char* format, ...) override;

  // The text so far, zero-terminated; null before anything was printed.
  const char* GetBuffer() const { return buffer_; }
  std::size_t GetLength() const { return length_; }

 private:
  char* buffer_ = nullptr;
  std::size_t growBy_;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
};

class LuaStateOutputDebugStringFile : public LuaStateOutFile {
 public:
  bool Open(const char*) override { return true; }
  bool Commit() override { return true; }
  void Close() override {}
  __attribute__((format(printf, 2, 3))) void Print(const char* format, ...) override;
};

}  // namespace OrvLua
