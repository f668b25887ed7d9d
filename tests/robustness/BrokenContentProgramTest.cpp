// Every kind of content file, broken in the ways files break (cut short,
// emptied, overwritten with bytes, nested past reason, the wrong types, huge
// and negative numbers, a folder in the file's place), given to the real
// program. Each broken file loads or is refused with a line naming it; the
// program neither crashes, hangs nor trips a sanitizer, and a user's saved
// file is left as it was. Several kinds are broken in one folder where their
// lines cannot be mistaken for each other, to keep program starts few.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

namespace fs = std::filesystem;

constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Variant {
  std::string name;
  std::string text;
  bool folder = false;  // a folder stands where the file belongs
  bool named = true;    // refused for sure, so its name must be printed
};

std::string Garbage() {
  std::string bytes;
  for (int i = 0; i < 700; ++i) bytes += static_cast<char>((i * 151 + 7) % 256);
  return bytes;
}

std::string Deep() { return std::string(20000, '[') + std::string(20000, ']'); }

// The shapes of breakage every file kind gets, from a valid text; the kind
// adds its own wrong types, huge and negative numbers, which may be loaded.
std::vector<Variant> Broken(const std::string& valid, const std::string& wrongTypes, const std::string& huge,
                            const std::string& negative) {
  return {
      {"empty", ""},
      {"truncated", valid.substr(0, valid.size() / 2)},
      {"garbage", Garbage()},
      {"deep", Deep()},
      {"folder", "", true},
      {"wrongtypes", wrongTypes, false, false},
      {"huge", huge, false, false},
      {"negative", negative, false, false},
  };
}

void Place(const ContentFolder& folder, const std::string& relativePath, const Variant& v) {
  if (v.folder) {
    fs::remove(fs::path(folder.Path()) / relativePath);
    fs::create_directories(fs::path(folder.Path()) / relativePath);
  } else {
    folder.Write(relativePath, v.text);
  }
}

// A problem line names the file, or the variant may load. Problems go to
// standard error, where progress lines naming every file do not; the lists
// read at start-up say where their text broke on standard output.
void ExpectNamed(const RunResult& run, const std::string& kind, const Variant& v, const std::string& name,
                 bool onStdout = false) {
  if (!v.named) return;
  EXPECT_TRUE(run.err.find(name) != std::string::npos || (onStdout && run.out.find(name) != std::string::npos))
      << kind << " '" << v.name << "': no line names " << name << "\n--- stdout:\n"
      << run.out << "\n--- stderr:\n"
      << run.err;
}

// A scene with an object that runs the given script lines in Init and
// prints "probe done" a few frames later.
void WriteProbeScene(const ContentFolder& folder, const std::string& initLines) {
  folder.WriteConfig(ConfigJson(160, 120, "Broken", 60, 2));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("data/gameobjects/Probe.txt", R"({"name":"Probe","id":1,"components":[{"type":"script","data":[]}]})");
  folder.Write("data/scripts/Probe.lua", "local n = 0\nfunction Init()\n" + initLines +
                                             "\nend\nfunction Update(dt)\n  n = n + 1\n"
                                             "  if n == 5 then print('probe done') end\nend\n");
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Probe","id":1,"params":{}}]})");
  for (const fs::directory_entry& shader : fs::directory_iterator(std::string(ORV_SOURCE_DIR) + "/game/shaders")) {
    folder.Copy(shader.path().string(), "shaders/" + shader.path().filename().string());
  }
}

RunOptions ProbeOptions(const ContentFolder& folder) {
  RunOptions options;
  options.timeoutSeconds = 100.0;
  options.triggers.push_back(TerminateWhen("probe done\n", 0.1));
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  return options;
}

void Tried(const std::string& kind, std::size_t count) {
  std::cout << kind << ": " << count << " broken variants tried\n";
}

// Resources read at start-up: several files of each kind sit side by side.
TEST(BrokenContentProgram, TexturePacksAnimationsTileSetsAndBlueprints) {
  ContentFolder folder;
  WriteProbeScene(folder, "");
  struct Kind {
    const char* name;
    const char* folder;
    const char* extension;
    std::vector<Variant> variants;
  };
  const Kind kinds[] = {
      {"texture packs", "res/textures/", ".pack",
       Broken(R"({"file":"none.png","frames":[{"id":"a","x":0,"y":0,"sizeX":4,"sizeY":4}]})",
              R"({"file":7,"frames":{"id":[]}})",
              R"({"file":"none.png","frames":[{"id":"h","x":1e308,"y":99999999999999999999,"sizeX":1e300,"sizeY":4}]})",
              R"({"file":"none.png","frames":[{"id":"n","x":-5,"y":-1e308,"sizeX":-4,"sizeY":-4}]})")},
      {"animations", "res/anims/", ".anim",
       Broken(R"({"walk":["frame_a","frame_b"]})", R"({"walk":5,"run":[1,{"a":2}],"idle":null})",
              R"({"walk":[99999999999999999999]})", R"({"walk":[-1]})")},
      {"tile sets", "res/textures/", ".tileset",
       Broken(R"({"name":"set","mapping":[{"id":46,"texture":"grass"}]})",
              R"({"name":[1],"mapping":{"id":"x"}})",
              R"({"name":"huge","mapping":[{"id":99999999999999999999,"texture":"a"},{"id":1e308,"texture":"b"}]})",
              R"({"name":"negative","mapping":[{"id":-46,"texture":"a"}]})")},
      {"blueprints", "data/gameobjects/", ".txt",
       Broken(R"({"name":"Thing","id":5,"components":[{"type":"transform","data":[1.0,2.0]}]})",
              R"({"name":5,"id":"x","components":{"type":[]}})",
              R"({"name":"Huge","id":99999999999999999999,"components":[{"type":"transform","data":[1e308,-1e308,1e300]},)"
              R"({"type":"rigidbody","data":[{"mass":1e308}]}]})",
              R"({"name":"Negative","id":-7,"components":[{"type":"collision","data":["Circle",{"radius":-5.0}]}]})")},
  };
  for (const Kind& kind : kinds) {
    for (const Variant& v : kind.variants) Place(folder, kind.folder + ("broken_" + v.name) + kind.extension, v);
  }
  const RunResult run = RunOrv(folder, ProbeOptions(folder));
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("probe done"), std::string::npos) << run.out;
  for (const Kind& kind : kinds) {
    for (const Variant& v : kind.variants) ExpectNamed(run, kind.name, v, "broken_" + v.name + kind.extension);
    Tried(kind.name, kind.variants.size());
  }
}

// Files a script asks for: object scripts, tile maps and saved level
// objects. The saved files are the user's own and must be left whole.
TEST(BrokenContentProgram, ScriptsTileMapsAndLevelObjectFiles) {
  ContentFolder folder;
  const fs::path user = fs::path(folder.Path()) / "documents" / "Kelvane";

  const std::vector<Variant> scripts = {
      {"empty", "", false, false},
      {"truncated", "function Update(dt)\n  if dt > 0 then print('x'"},
      {"garbage", Garbage()},
      {"deep", std::string(5000, '(') + "1" + std::string(5000, ')')},
      {"folder", "", true},
      {"wrongtypes", "Init = 5\nUpdate = 'text'\nOnMessage = {}\n", false, false},
      {"huge", "function Init() SetRealAttribIndex('transform', 0, 1e308) SetWriteValue(99999999999) end\n", false,
       false},
      {"negative", "function Init() SetRealAttribIndex('transform', 0, -1e308) CreateGameObject('Probe', -5) end\n",
       false, false},
      {"error", "function Init() error('boom') end\n"},
  };
  std::string spawn = R"({"name":"Probe","id":1,"params":{}})";
  for (const Variant& v : scripts) {
    const std::string type = "Script_" + v.name;
    folder.Write("data/gameobjects/" + type + ".txt", R"({"name":")" + type +
                                                          R"(","id":2,"components":[{"type":"transform","data":[]},)"
                                                          R"({"type":"script","data":[]}]})");
    Place(folder, "data/scripts/" + type + ".lua", v);
    spawn += R"(,{"name":")" + type + R"(","id":2,"params":{}})";
  }

  // Maps: width, height, then three layers of rows of one byte per cell,
  // an empty line before each layer.
  const std::string row = std::string(4, 'a') + "\n";
  std::string valid = "4\n2\n";
  std::string newlineCell = "4\n2\n";
  for (int i = 0; i < 6; ++i) {
    if (i % 2 == 0) {
      valid += "\n";
      newlineCell += "\n";
    }
    valid += row;
    newlineCell += (i == 0 ? "\n" + std::string(3, 'a') + "\n" : row);
  }
  std::vector<Variant> maps = Broken(valid, "wide\ntall\n", "99999999999999999999\n1e308\n" + row, "-4\n-2\n" + row);
  // A folder is passed over like a missing file, for the default map.
  maps[4].named = false;
  maps.push_back({"width0", "0\n2\n", false, false});
  maps.push_back({"height0", "4\n0\n", false, false});
  maps.push_back({"newlinecell", newlineCell, false, false});
  maps.push_back({"short", "4\n2\n" + row + row});

  const std::string level = R"({"spawn":[{"name":"Probe","id":3,"params":{"collision":[{"index":1,"value":5.0}]}}]})";
  const std::vector<Variant> levels =
      Broken(level, R"({"spawn":[5,"x",{"name":7,"id":"x","params":[]}]})",
             R"({"spawn":[{"name":"Probe","id":9999999999999,"params":{"collision":[{"index":9999999999999,"value":1e308}]}}]})",
             R"({"spawn":[{"name":"Probe","id":-3,"params":{"collision":[{"index":-1,"value":-1e308}]}}]})");

  std::string init;
  for (std::size_t i = 0; i < maps.size(); ++i) {
    Place(folder, "data/maps/map_" + maps[i].name + ".txt", maps[i]);
    init += "  LoadNewTileMap(" + std::to_string(i + 1) + ", 'map_" + maps[i].name + ".txt')\n";
  }
  for (const Variant& v : levels) {
    Place(folder, "documents/Kelvane/level_" + v.name + ".json", v);
    init += "  LoadObjects('level_" + v.name + ".json', true)\n";
  }
  WriteProbeScene(folder, init);
  folder.Write("data/gameobjects/Probe.txt", R"({"name":"Probe","id":1,"components":[{"type":"transform","data":[]},)"
                                             R"({"type":"collision","data":["Circle",{"radius":4.0}]},)"
                                             R"({"type":"script","data":[]}]})");
  folder.Write("data/summoner.ini", R"({"spawn":[)" + spawn + "]}");

  const RunResult run = RunOrv(folder, ProbeOptions(folder));
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("probe done"), std::string::npos) << run.out;
  for (const Variant& v : scripts) ExpectNamed(run, "scripts", v, "Script_" + v.name + ".lua");
  for (const Variant& v : maps) ExpectNamed(run, "tile maps", v, "map_" + v.name + ".txt");
  // Byte 10 in the first cell is a cell, not a line end: that map loads whole.
  for (const char* whole : {"map_newlinecell.txt", "map_width0.txt", "map_height0.txt"}) {
    EXPECT_EQ(run.err.find(whole), std::string::npos) << run.err;
  }
  for (const Variant& v : levels) {
    ExpectNamed(run, "level objects", v, "level_" + v.name + ".json");
    const fs::path saved = user / ("level_" + v.name + ".json");
    if (v.folder) {
      EXPECT_TRUE(fs::is_directory(saved)) << v.name;
    } else {
      EXPECT_EQ(folder.Read("documents/Kelvane/level_" + v.name + ".json"), v.text) << "the user's file kept: " << v.name;
    }
  }
  Tried("scripts", scripts.size());
  Tried("tile maps", maps.size());
  Tried("level objects", levels.size());
}

// The files there is one of: the font list, the sound list, the spawn list
// and the shaders, one variant of each per program start. The spawn list
// is the last read, so its outcome line ends the run.
std::vector<Variant> FontLists() {
  const std::string font = std::string(R"({"id":"f","path":")") + kFont + R"(","size":)";
  return Broken(R"({"fonts":[)" + font + "16}]}", R"({"fonts":[{"id":5,"path":[],"size":"big"}]})",
                R"({"fonts":[)" + font + "99999999999999999999}," + R"({"id":"g","path":")" + kFont +
                    R"(","size":1e308}]})",
                R"({"fonts":[)" + font + "-16}]}");
}
std::vector<Variant> SoundLists() {
  return Broken(R"({"sounds":[{"id":"a","filename":"a.wav","soundtype":"sfxgame"}]})",
                R"({"sounds":[{"id":1,"filename":{},"soundtype":7}]})",
                R"({"sounds":[{"id":"h","filename":"a.wav","soundtype":"bgm","volume":1e308}]})",
                R"({"sounds":-1})");
}
std::vector<Variant> SpawnLists() {
  return Broken(R"({"spawn":[{"name":"Probe","id":1,"params":{}}]})",
                R"({"spawn":[{"name":5,"id":"x","params":[]},{"name":"Probe","id":1.5,"params":{}}]})",
                R"({"spawn":[{"name":"Probe","id":9999999999999,"params":{"transform":{"index":9999999999999,"value":1e308}}}]})",
                R"({"spawn":[{"name":"Probe","id":-1,"params":{"transform":{"index":-1,"value":-1e308}}}]})");
}
const char* const kShaders[] = {"texture2D.frag", "pointlight.frag", "shape.vert", "font_color.frag",
                                "texture2DBloom.frag", "texture2D.vert", "pointlight.vert", "shape.frag"};
std::vector<Variant> Shaders() {
  return Broken("void main() {\n  gl_FragColor = vec4(1.0);\n}\n", "int main = 5;\nfloat x = \"text\";\n",
                "void main() { gl_FragColor = vec4(1e308, 99999999999999999999.0, 1.0, 1.0); }\n",
                "void main() { gl_FragColor = vec4(-1e308); }\n");
}

class BrokenSingleFiles : public ::testing::TestWithParam<int> {};

TEST_P(BrokenSingleFiles, LoadOrAreRefusedByName) {
  const int k = GetParam();
  const Variant font = FontLists()[k], sound = SoundLists()[k], spawn = SpawnLists()[k], shader = Shaders()[k];
  ContentFolder folder;
  WriteProbeScene(folder, "");
  Place(folder, "res/loadfonts.ini", font);
  Place(folder, "res/audio/loadaudio.ini", sound);
  Place(folder, "data/summoner.ini", spawn);
  fs::remove(fs::path(folder.Path()) / "shaders" / kShaders[k]);
  Place(folder, std::string("shaders/") + kShaders[k], shader);

  RunOptions options = ProbeOptions(folder);
  options.triggers.clear();
  for (const char* outcome : {"Summoner says aloha!\n", "Error loading summoner file! aborting...\n",
                              "Spawn not found...aborting summoning..\n", "Spawn array not found..aborting summoning..\n"}) {
    options.triggers.push_back(TerminateWhen(outcome, 1.0));
  }
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ExpectNamed(run, "font list", font, "loadfonts.ini", true);
  ExpectNamed(run, "sound list", sound, "loadaudio.ini", true);
  ExpectNamed(run, "spawn list", spawn, "summoner.ini", true);
  // Every variant gives "params" members in the form the spawn list reads.
  EXPECT_EQ(Count(run.err, "\"params\" member"), 0u) << run.err;
  // A shader is a program text the driver judges; only what it cannot read at all must be named.
  if (shader.folder || shader.name == "garbage") ExpectNamed(run, "shader", shader, kShaders[k]);
  for (const char* kind : {"font list", "sound list", "spawn list", "shader"}) {
    std::cout << kind << ": variant " << k + 1 << " of " << FontLists().size() << " tried\n";
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, BrokenSingleFiles, ::testing::Range(0, 8),
                         [](const ::testing::TestParamInfo<int>& info) { return FontLists()[info.param].name; });

// A broken configuration: the program starts with what it can use or stops
// with a line naming the file; either way it ends cleanly.
class BrokenConfig : public ::testing::TestWithParam<int> {};

std::vector<Variant> Configs() {
  return Broken(R"({"width":160,"height":120,"fullscreen":0,"title":"Broken","fps":60,"debug":2})",
                R"({"width":"wide","height":[],"fullscreen":"yes","title":5,"fps":{},"debug":null})",
                R"({"width":99999999999999999999,"height":1e308,"fullscreen":0,"title":"Broken","fps":1e300,"debug":2})",
                R"({"width":-160,"height":-120,"fullscreen":-1,"title":"Broken","fps":-60,"debug":-2})");
}

TEST_P(BrokenConfig, StartsOrStopsNamingTheFile) {
  const Variant v = Configs()[GetParam()];
  ContentFolder folder;
  WriteProbeScene(folder, "");
  Place(folder, "config/config.ini", v);
  const RunResult run = RunOrv(folder, ProbeOptions(folder));
  ASSERT_FALSE(run.timedOut) << run.out << run.err;
  ASSERT_TRUE(RanCleanly(run, run.exitCode));
  if (run.out.find("probe done") == std::string::npos) ExpectNamed(run, "configuration", v, "config.ini", true);
  std::cout << "configuration: variant " << GetParam() + 1 << " of " << Configs().size() << " tried\n";
}

INSTANTIATE_TEST_SUITE_P(Variants, BrokenConfig, ::testing::Range(0, 8),
                         [](const ::testing::TestParamInfo<int>& info) { return Configs()[info.param].name; });

}  // namespace
