// A save must survive a power cut: the new file is on the disk before it is
// renamed over the old one, and the rename is on the disk before the save
// reports success. The test program's own fsync and rename stand between the
// engine and the C library and note what reaches the disk, in order.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/UserFolder.h"

namespace {

std::vector<std::string>* events = nullptr;

std::string PathOf(int fd) {
  char path[PATH_MAX] = {};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : "?";
}

}  // namespace

extern "C" int fsync(int fd) {
  static auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
  if (events != nullptr) events->push_back("fsync " + PathOf(fd));
  return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
  static auto real = reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "rename"));
  if (events != nullptr) events->push_back(std::string("rename ") + from + " -> " + to);
  return real(from, to);
}

namespace Orv {
namespace {

namespace fs = std::filesystem;

TEST(SaveFlush, TheNewFileIsFlushedBeforeTheRenameAndTheFolderAfterIt) {
  const fs::path root = fs::temp_directory_path() / ("orv_save_flush_" + std::to_string(::getpid()));
  fs::create_directories(root / "docs/Kelvane/slots");
  setenv("XDG_DOCUMENTS_DIR", (root / "docs").c_str(), 1);
  // Canonical: /proc names the real path, whatever the temporary folder's links.
  const std::string folder = fs::canonical(root / "docs/Kelvane/slots").string();
  const std::string user = (root / "docs/Kelvane/").string();
  std::ofstream(folder + "/one.txt") << "old";

  std::vector<std::string> seen;
  events = &seen;
  testing::internal::CaptureStdout();
  const bool saved = SaveToUserFolder("slots/one.txt", "new text", "the test's text");
  testing::internal::GetCapturedStdout();
  events = nullptr;

  EXPECT_TRUE(saved);
  const std::string temporary = user + "slots/one.txt" + kUnfinishedSuffix;
  const std::vector<std::string> expected = {
      "fsync " + folder + "/one.txt" + kUnfinishedSuffix,
      "rename " + temporary + " -> " + user + "slots/one.txt",
      "fsync " + folder,
  };
  EXPECT_EQ(seen, expected);
  std::ifstream in(folder + "/one.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new text");
  EXPECT_FALSE(fs::exists(temporary));

  // A name the sweep would take for an unfinished save is refused before
  // anything is written.
  seen.clear();
  events = &seen;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveToUserFolder(std::string("two") + kUnfinishedSuffix, "x", "the test's text"));
  const std::string err = testing::internal::GetCapturedStderr();
  events = nullptr;
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(err, std::string("Error! File name \"two") + kUnfinishedSuffix + "\" refused: names ending in \"" +
                     kUnfinishedSuffix + "\" are the engine's unfinished saves, removed at the next start\n");
  EXPECT_FALSE(fs::exists(user + "two" + kUnfinishedSuffix));
  fs::remove_all(root);
}

}  // namespace
}  // namespace Orv
