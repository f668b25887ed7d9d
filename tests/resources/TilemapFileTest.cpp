#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "resources/Tilemap.h"

namespace Orv {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A per-user folder and a project folder of the test's own; the project
// folder is the working directory, as for the program.
class TilemapFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("orv_tilemap_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root / "project/data/maps");
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (root / "docs").c_str(), 1);
    setenv("ORV_HEADLESS", "1", 1);
    oldDir = fs::current_path();
    fs::current_path(root / "project");
    user = (root / "docs/Kelvane/").string();
  }
  void TearDown() override {
    fs::current_path(oldDir);
    fs::remove_all(root);
  }
  static void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  struct Run {
    std::string out, err;
  };
  // Load and every row, as the script function does it, with what it printed.
  static Run LoadWhole(Tilemap& map, const std::string& name) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    map.Load(name);
    int rows = 0;
    while (!map.LoadRow()) EXPECT_LT(++rows, 100000) << "loading never ends";
    Run run;
    run.out = ::testing::internal::GetCapturedStdout();
    run.err = ::testing::internal::GetCapturedStderr();
    return run;
  }
  static std::string Layers(const Tilemap& map) {
    std::string cells;
    for (int layer = 0; layer < 3; ++layer) {
      for (unsigned y = 0; y < map.GetHeight(); ++y) {
        for (unsigned x = 0; x < map.GetWidth(); ++x) cells.push_back(static_cast<char>(map.GetCell(layer, x, y)));
      }
    }
    return cells;
  }

  fs::path root, oldDir;
  std::string user;
};

TEST_F(TilemapFileTest, EveryByteValueSurvivesASaveAndLoadEvenLineEndsInTheFirstCell) {
  for (const int first : {10, 13}) {
    Tilemap map;
    ASSERT_TRUE(map.SetSize(17, 16));
    for (int layer = 0; layer < 3; ++layer) {
      for (unsigned i = 0; i < 17 * 16; ++i) map.SetCell(layer, i % 17, i / 17, static_cast<char>(i * (layer + 1) + 7));
    }
    map.SetCell(0, 0, 0, static_cast<char>(first));
    map.SetCell(0, 1, 0, '\r');
    map.SetCell(0, 2, 0, '\n');
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(map.Save("map.txt"));
    const std::string saveOut = ::testing::internal::GetCapturedStdout();
    const std::string saving = "Saving to filepath: " + user + "map.txt\n";
    EXPECT_EQ(saveOut, first == 10 ? "Creating folder...\n" + saving : saving) << "the folder is made once";
    EXPECT_FALSE(fs::exists(user + "map.txt.orv-unfinished"));

    Tilemap loaded;
    const Run run = LoadWhole(loaded, "map.txt");
    EXPECT_EQ(run.out, "Loading tilemap from filepath: " + user + "map.txt\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(loaded.GetName(), user + "map.txt");
    ASSERT_EQ(loaded.GetWidth(), 17u);
    ASSERT_EQ(loaded.GetHeight(), 16u);
    EXPECT_EQ(loaded.GetCell(0, 0, 0), first);
    EXPECT_EQ(Layers(loaded), Layers(map));
  }
}

TEST_F(TilemapFileTest, SaveWritesTheHeaderRowsAndSeparatorsWithLf) {
  Tilemap map;
  map.SetSize(3, 2);
  map.SetCell(0, 0, 0, '1');
  map.SetCell(1, 2, 1, '#');
  map.SetCell(2, 1, 0, '\0');
  ASSERT_TRUE(map.Save("small.txt"));
  EXPECT_EQ(Read(user + "small.txt"), "3\n2\n\n1\0\0\n\0\0\0\n\n\0\0\0\n\0\0#\n\n\0\0\0\n\0\0\0\n"s);

  Tilemap empty;
  ASSERT_TRUE(empty.Save("empty.txt"));
  EXPECT_EQ(Read(user + "empty.txt"), "0\n0\n\n\n\n");
  Tilemap loaded;
  loaded.SetSize(4, 4);
  LoadWhole(loaded, "empty.txt");
  EXPECT_EQ(loaded.GetWidth(), 0u);
  EXPECT_EQ(loaded.GetHeight(), 0u);
  EXPECT_FALSE(loaded.IsLoading());
  EXPECT_EQ(loaded.GetCell(0, 0, 0), -1);
}

TEST_F(TilemapFileTest, HeaderVariantsAndLineEndsLoadTheSameCells) {
  const std::string body = "ab\ncd\n\n1.\n.1\n\nxy\nzw\n";
  std::string crlfBody;
  for (char c : body) crlfBody += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::string variants[] = {
      "2\n2\n\n" + body,
      "2\n2\n" + body,                          // no empty line
      "2\n2\n\n\n\n" + body,                    // three empty lines
      "2\n2\n\n" + body.substr(0, body.size() - 1),  // no final line end
      "2\r\n2\r\n\r\n" + crlfBody,              // written on the original platform
      "2\r\n2\r\n\r\n\r\n\r\n" + crlfBody,
      " +2xyz\n2\n\n" + body,                   // read as C reads a number
  };
  for (const std::string& file : variants) {
    Write("data/maps/v.txt", file);
    Tilemap map;
    const Run run = LoadWhole(map, "v.txt");
    EXPECT_EQ(run.err, "") << file;
    ASSERT_EQ(map.GetWidth(), 2u) << file;
    ASSERT_EQ(map.GetHeight(), 2u) << file;
    EXPECT_EQ(Layers(map), "abcd1..1xyzw") << file;
  }
}

TEST_F(TilemapFileTest, SizesOutOfBoundsOrMissingAreRefusedNamingTheFile) {
  const std::string cases[] = {"-1\n2\n\n", "65536\n1\n\n", "5000\n5000\n\n", "99999999999999999999\n1\n\n",
                               "wide\n2\n\n", ""};
  for (const std::string& header : cases) {
    Write("data/maps/bad.txt", header + "xx\n");
    Tilemap map;
    const Run run = LoadWhole(map, "bad.txt");
    EXPECT_NE(run.err.find("Error! Tile map data/maps/bad.txt: "), std::string::npos) << header << run.err;
    EXPECT_EQ(map.GetWidth() * map.GetHeight(), 0u) << header;
  }
  Tilemap map;
  EXPECT_FALSE(map.SetSize(65536, 1));
  EXPECT_TRUE(map.SetSize(65535, 256));
  EXPECT_FALSE(map.SetSize(65535, 257)) << "more than 2^24 cells";
  EXPECT_EQ(map.GetWidth(), 65535u);
}

TEST_F(TilemapFileTest, LoadLooksInTheUserFolderThenTheProjectThenTheDefault) {
  Write(user + "a.txt", "1\n1\n\nU\n\n0\n\n0\n");
  Write("data/maps/a.txt", "1\n1\n\nP\n\n0\n\n0\n");
  Write("data/maps/b.txt", "1\n1\n\nB\n\n0\n\n0\n");
  Write("data/maps/Map01.txt", "1\n1\n\nD\n\n0\n\n0\n");
  // No saved copy is no failure; a saved copy that cannot be read is.
  fs::create_directories(user + "d.txt");
  Write("data/maps/d.txt", "1\n1\n\nQ\n\n0\n\n0\n");
  const std::string notSaved = "No saved copy there; loading from ";
  const std::string fallback = "Opening from project folder failed! Loading default Map01.\n";
  struct Case {
    std::string name, out;
    char cell;
  };
  const Case cases[] = {
      {"a.txt", "", 'U'},
      {"b.txt", notSaved + "data/maps/b.txt\n", 'B'},
      {"data/maps/b.txt", notSaved + "data/maps/b.txt\n", 'B'},
      {"data\\maps\\b.txt", notSaved + "data/maps/b.txt\n", 'B'},
      {"c.txt", notSaved + "data/maps/c.txt\n" + fallback, 'D'},
      {"d.txt", "Opening save file failed! Loading from data/maps/d.txt\n", 'Q'},
  };
  for (const Case& c : cases) {
    Tilemap map;
    const Run run = LoadWhole(map, c.name);
    std::string name = c.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    EXPECT_EQ(run.out, "Loading tilemap from filepath: " + user + name + "\n" + c.out);
    EXPECT_EQ(map.GetName(), user + name);
    EXPECT_EQ(map.GetCell(0, 0, 0), c.cell) << c.name;
  }
  fs::remove("data/maps/Map01.txt");
  Tilemap map;
  const Run run = LoadWhole(map, "c.txt");
  EXPECT_EQ(run.err, "Error! Default tile map not found: data/maps/Map01.txt\n");
  EXPECT_EQ(map.GetWidth(), 0u);
}

TEST_F(TilemapFileTest, NamesThatLeaveTheirFolderAreRefused) {
  Write(root / "outside.txt", "1\n1\n\nX\n\n0\n\n0\n");
  for (const std::string name : {"../../outside.txt", "..\\x.txt", "a/../../b.txt", "/etc/x.txt", "C:\\x.txt", ""}) {
    Tilemap map;
    const Run run = LoadWhole(map, name);
    EXPECT_EQ(run.err.rfind("Error! File name \"" + name + "\" refused: ", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(map.GetName(), "empty");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(map.Save(name));
    ::testing::internal::GetCapturedStderr();
  }
  EXPECT_FALSE(fs::exists(root / "docs/Kelvane")) << "nothing was saved";
  EXPECT_EQ(Read(root / "outside.txt"), "1\n1\n\nX\n\n0\n\n0\n");
}

TEST_F(TilemapFileTest, AFailedSaveKeepsTheOldFile) {
  Tilemap old;
  old.SetSize(2, 1);
  old.SetCell(0, 0, 0, 'o');
  ASSERT_TRUE(old.Save("keep.txt"));
  const std::string before = Read(user + "keep.txt");
  Tilemap big;
  big.SetSize(200, 200);

  // A folder where the new file would be written.
  fs::create_directory(user + "keep.txt.orv-unfinished");
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(big.Save("keep.txt"));
  EXPECT_NE(::testing::internal::GetCapturedStdout().find("Creating save file failed!\n"), std::string::npos);
  EXPECT_TRUE(Read(user + "keep.txt") == before);
  fs::remove(user + "keep.txt.orv-unfinished");

  // The disk filling up halfway: a file-size limit in a child process.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  const std::string said = (root / "said.txt").string();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    // What the save prints, in the order it prints it, in a file of its own.
    const int out = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, 1);
    ::dup2(out, 2);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(big.Save("keep.txt") ? 0 : 3);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3) << "the save reports its failure";
  // The file was created: only the true cause is said.
  EXPECT_EQ(Read(said), "Saving to filepath: " + user + "keep.txt\nError! Writing the tile map to " + user +
                            "keep.txt failed: File too large; the file there before is kept.\n");
  EXPECT_TRUE(Read(user + "keep.txt") == before);
  EXPECT_FALSE(fs::exists(user + "keep.txt.orv-unfinished"));
}

TEST_F(TilemapFileTest, ACorruptFileShowsOneBoxAndALinePerBadRowAndStopsAtItsEnd) {
  // Row 0 of layer 0 has one byte too many: the rows after it start late.
  Write("data/maps/long.txt", "2\n2\n\nabX\ncd\n\n11\n11\n\n22\n22\n");
  Tilemap map;
  Run run = LoadWhole(map, "long.txt");
  const std::string box = "Error loading tile map! Wrong number of tiles!\n";
  EXPECT_EQ(run.err.find(box), run.err.rfind(box)) << run.err;
  EXPECT_NE(run.err.find("data/maps/long.txt: layer 0, row 0 does not end after 2 tiles"), std::string::npos);
  EXPECT_GE(std::count(run.err.begin(), run.err.end(), '\n'), 3) << run.err;
  EXPECT_EQ(map.GetCell(0, 0, 1), '\n');

  Write("data/maps/short.txt", "3\n2\n\nabc\nde");
  Tilemap cut;
  run = LoadWhole(cut, "short.txt");
  EXPECT_NE(run.err.find("data/maps/short.txt: the file ends inside layer 0, row 1"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(box), std::string::npos) << "a file that ends early has no row of a wrong length\n" << run.err;
  EXPECT_EQ(cut.GetCell(0, 1, 1), 'e');
  EXPECT_EQ(cut.GetCell(0, 2, 1), 0);
  EXPECT_FALSE(cut.IsLoading());
}

}  // namespace
}  // namespace Orv
