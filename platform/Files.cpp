#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace Orv::Platform {

namespace fs = std::filesystem;

bool WildcardMatch(const std::string& wildcard, const std::string& name) {
  // Iterative match with one back-tracking point for the last '*'.
  std::size_t w = 0, n = 0, star = std::string::npos, resume = 0;
  const auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  while (n < name.size()) {
    if (w < wildcard.size() && (wildcard[w] == '?' || same(wildcard[w], name[n]))) {
      ++w;
      ++n;
    } else if (w < wildcard.size() && wildcard[w] == '*') {
      star = w++;
      resume = n;
    } else if (star != std::string::npos) {
      w = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (w < wildcard.size() && wildcard[w] == '*') ++w;
  return w == wildcard.size();
}

bool FindFiles(const std::string& pattern, std::vector<std::string>& names) {
  const std::size_t slash = pattern.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  const std::string wildcard = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return false;
  std::vector<std::string> found;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    std::string name = it->path().filename().string();
    if (WildcardMatch(wildcard, name)) found.push_back(std::move(name));
  }
  if (found.empty()) return false;
  std::sort(found.begin(), found.end());
  names.insert(names.end(), found.begin(), found.end());
  return true;
}

std::string FileProblem(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return "no such file";
    if (errno == EACCES) return "permission denied";
    return std::strerror(errno);
  }
  if (S_ISDIR(status.st_mode)) return "a folder, not a file";
  if (!S_ISREG(status.st_mode)) return "not a regular file";
  if (::access(path.c_str(), R_OK) != 0) return errno == EACCES ? "permission denied" : std::strerror(errno);
  return {};
}

std::optional<std::string> ReadTextFile(const std::string& path) {
  // Checked before opening: opening a pipe waits for a writer.
  if (!FileProblem(path).empty()) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in.good()) return std::nullopt;
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text.push_back(raw[i]);
  }
  return text;
}

std::string DocumentsFolder() {
  std::string folder;
  if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg != nullptr && *xdg != '\0') {
    folder = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    folder = std::string(home) + "/Documents";
  } else {
    folder = "Documents";
  }
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

bool CreateFolder(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  return fs::is_directory(path, error);
}

namespace {

std::string Reason(int cause) { return std::strerror(cause); }

// Flushes an open file or folder; EINTR is retried.
int Flush(int fd) {
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  return result;
}

}  // namespace

std::string WriteFlushedFile(const std::string& path, std::string_view text, bool& created) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  created = fd >= 0;
  if (fd < 0) return Reason(errno);
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that makes no progress has no errno of its own.
      const std::string why = n < 0 ? Reason(errno) : "nothing more could be written";
      ::close(fd);
      return why;
    }
    written += static_cast<std::size_t>(n);
  }
  // Before the rename: otherwise a power cut can leave the new name on an
  // empty file.
  if (Flush(fd) != 0) {
    const std::string why = Reason(errno);
    ::close(fd);
    return why;
  }
  if (::close(fd) != 0) return Reason(errno);
  return {};
}

std::string ReplaceFile(const std::string& from, const std::string& to, std::string& folderProblem) {
  folderProblem.clear();
  if (::rename(from.c_str(), to.c_str()) != 0) return Reason(errno);
  const std::size_t slash = to.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : to.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    folderProblem = Reason(errno);
    return {};
  }
  // Some file systems cannot flush a folder and need not: they say EINVAL.
  if (Flush(fd) != 0 && errno != EINVAL) folderProblem = Reason(errno);
  ::close(fd);
  return {};
}

}  // namespace Orv::Platform
