#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/JsonFile.h"

namespace Orv {
namespace {

namespace fs = std::filesystem;

// A good file gives its document; a missing one gives nothing and no line;
// a broken one says where it broke.
TEST(JsonFileTest, TellsAMissingFileFromABrokenOne) {
  const fs::path folder = fs::temp_directory_path() / ("orv_jsonfile_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "good.json") << "{\"width\": 640}";
  std::ofstream(folder / "broken.json") << "{\n  \"width\": 640,\n}";

  const JsonFile good((folder / "good.json").string());
  ASSERT_TRUE(good);
  EXPECT_EQ(json_integer_value(json_object_get(good.Root(), "width")), 640);
  EXPECT_FALSE(good.IsBroken());

  const JsonFile missing((folder / "missing.json").string());
  EXPECT_FALSE(missing);
  EXPECT_FALSE(missing.IsBroken());

  const JsonFile broken((folder / "broken.json").string());
  EXPECT_FALSE(broken);
  EXPECT_TRUE(broken.IsBroken());
  EXPECT_EQ(broken.DescribeError().rfind(broken.GetPath() + ": line 3, column 1: ", 0), 0u) << broken.DescribeError();
  fs::remove_all(folder);
}

}  // namespace
}  // namespace Orv
