// What a level file made is saved again: objects whose file gives no type
// name or id (the form the docs' example long had) keep their type, id and
// place in the next save, and a load of that save makes them again where they
// were. And AddObject puts an object at the place it is given even when the
// blueprint places its collider by name, as the blueprint alone still does.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace fs = std::filesystem;

namespace {

// The saved entry of that type and id: its collision place, and the id and
// type name it gives the editable; empty when the file has no such entry.
std::vector<std::string> SavedEntry(const std::string& file, const std::string& type, int id) {
  const std::string head = "\"name\": \"" + type + "\",\n      \"id\": " + std::to_string(id) + ",";
  const std::size_t at = file.find(head);
  if (at == std::string::npos) return {};
  const std::string entry = file.substr(at, file.find("\"name\":", at + 1) - at);
  const std::size_t editable = entry.find("\"editable\"");
  const auto value = [&](std::size_t from, int index) {
    const std::string key = "{ \"index\" : " + std::to_string(index) + ", \"value\" : ";
    const std::size_t found = entry.find(key, from);
    if (found == std::string::npos) return std::string("(none)");
    const std::size_t start = found + key.size();
    return entry.substr(start, entry.find(" }", start) - start);
  };
  return {value(0, 1), value(0, 2), value(editable, 2), value(editable, 3), value(editable, 4)};
}

std::string At(const std::string& type, int id, double x, double y) {
  char line[120];
  std::snprintf(line, sizeof line, "AT %s %d %.1f %.1f", type.c_str(), id, x, y);
  return line;
}

}  // namespace

TEST(LevelSaveProgram, LoadedObjectsWithoutATypeNameAreSavedAndAddObjectPlacesByNamePlacedBlueprints) {
  ContentFolder folder;
  const fs::path user = fs::path(folder.Path()) / "documents" / "Kelvane";
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", user.parent_path().string()}};
  WriteScriptScene(folder, "OrvLevelSave", {{"editor", R"(
local frame = 0
function Update(dt)
  frame = frame + 1
  if frame == 1 then
    LoadObjects("level.json", true)
    CreateGameObject("placed", 6)
  elseif frame == 2 then
    AddObject(40, -30, 5, "placed")
  elseif frame == 4 then
    SaveObjects("first.json")
    print("LOAD SAVE")
    LoadObjects("first.json", true)
  elseif frame == 6 then
    SaveObjects("second.json")
    Shutdown()
  end
end
)"}},
                   {{"editor", 1}});
  const std::string report =
      "function Init() print(string.format('AT %s %d %.1f %.1f', kind, GetID(), GetPos().x, GetPos().y)) end\n";
  for (const char* type : {"crate", "barrel", "placed"}) {
    folder.Write("data/scripts/" + std::string(type) + ".lua", "kind = '" + std::string(type) + "'\n" + report);
  }
  folder.Write("data/gameobjects/crate.txt", R"({"name":"crate","id":2,"components":[
    {"type":"transform","data":[]},
    {"type":"collision","data":["AABB", {"width": 20.0, "height": 20.0}]},
    {"type":"editable","data":[]}, {"type":"script","data":[]}]})");
  folder.Write("data/gameobjects/barrel.txt", R"({"name":"barrel","id":3,"components":[
    {"type":"transform","data":[]},
    {"type":"collision","data":["Circle", {"radius": 8.0}]},
    {"type":"editable","data":[]}, {"type":"script","data":[]}]})");
  // Its collider placed by name, which a blueprint applies after the places
  // given by index.
  folder.Write("data/gameobjects/placed.txt", R"({"name":"placed","id":4,"components":[
    {"type":"transform","data":[]},
    {"type":"collision","data":["Circle", {"pos x": 300.0, "pos y": 200.0, "radius": 8.0}]},
    {"type":"editable","data":[]}, {"type":"script","data":[]}]})");
  // The docs' old example: neither the id (2) nor the type name (3) given to
  // the editable; the second gives the type name but no id.
  folder.Write("data/level.json", R"({ "spawn": [
    { "name": "crate", "id": 7, "params": {
      "collision": [ { "index": 1, "value": 160.0 }, { "index": 2, "value": 224.0 } ],
      "editable": [ { "index": 0, "value": 160.0 }, { "index": 1, "value": 224.0 },
                    { "index": 4, "value": 1 }, { "index": 5, "value": "AABB" } ] } },
    { "name": "barrel", "id": 9, "params": {
      "collision": [ { "index": 1, "value": -60.0 }, { "index": 2, "value": 40.0 } ],
      "editable": [ { "index": 0, "value": -60.0 }, { "index": 1, "value": 40.0 }, { "index": 3, "value": "barrel" },
                    { "index": 4, "value": 1 } ] } } ] })");

  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));

  // Where each object was made: the blueprint alone keeps its place by name.
  const std::size_t reload = run.out.find("LOAD SAVE");
  ASSERT_NE(reload, std::string::npos) << run.out;
  const std::string firstRun = run.out.substr(0, reload);
  const std::string secondRun = run.out.substr(reload);
  for (const std::string& line :
       {At("crate", 7, 160, 224), At("barrel", 9, -60, 40), At("placed", 6, 300, 200), At("placed", 5, 40, -30)}) {
    EXPECT_EQ(Count(firstRun, line + "\n"), 1u) << line << "\n" << run.out;
  }
  // The save read back makes every level object again at its place.
  for (const std::string& line : {At("crate", 7, 160, 224), At("barrel", 9, -60, 40), At("placed", 5, 40, -30)}) {
    EXPECT_EQ(Count(secondRun, line + "\n"), 1u) << line << "\n" << run.out;
  }

  // Every level object saved with its place, id and type name, and again
  // alike after the load of that save; the object a script made is no level
  // object.
  const std::string first = ReadFile(user / "first.json");
  const std::string second = ReadFile(user / "second.json");
  EXPECT_EQ(SavedEntry(first, "crate", 7), (std::vector<std::string>{"160.0", "224.0", "7", R"("crate")", "1"}))
      << first;
  EXPECT_EQ(SavedEntry(first, "barrel", 9), (std::vector<std::string>{"-60.0", "40.0", "9", R"("barrel")", "1"}))
      << first;
  EXPECT_EQ(SavedEntry(first, "placed", 5), (std::vector<std::string>{"40.0", "-30.0", "5", R"("placed")", "1"}))
      << first;
  EXPECT_EQ(Count(first, "\"name\":"), 3u) << first;
  EXPECT_EQ(Count(second, "\"name\":"), 3u) << second;
  for (const auto& [type, id] : {std::pair<const char*, int>{"crate", 7}, {"barrel", 9}, {"placed", 5}}) {
    EXPECT_EQ(SavedEntry(second, type, id), SavedEntry(first, type, id)) << type << "\n" << second;
  }
}
