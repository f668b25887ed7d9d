// Beneath the editor: picking by point, the keys records take, the edit
// component's parameters, and the level-object text read back.
#include <gtest/gtest.h>
#include <jansson.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "core/GameObject.h"
#include "editor/EditComponent.h"
#include "editor/EditorObjectStore.h"
#include "editor/LevelObjectFile.h"

using Orv::EditComponent;
using Orv::EditorObjectRecord;
using Orv::EditorObjectStore;

namespace {

EditorObjectRecord Record(const std::string& shape, float x, float half, std::uint32_t objectId = 1) {
  EditorObjectRecord record;
  record.name = "crate";
  record.shape = shape;
  record.x = x;
  record.halfWidth = record.halfHeight = record.radius = half;
  record.objectId = objectId;
  return record;
}

}  // namespace

TEST(EditorObjectStore, PicksStrictlyInsideCirclesAndUnturnedBoxesAndTheLowestKeyFirst) {
  struct Case {
    const char* shape;
    float half, x, y;
    bool hit;
  } cases[] = {
      {"Circle", 10, 6, 8, false},                                 // on the circle
      {"Circle", 10, 6, 7.9f, true}, {"circle", 10, 0, 0, false},  // shape names are exact
      {"AABB", 5, 5, 0, false},                                    // on the edge
      {"AABB", 5, 4.99f, 0, true},   {"OBB", 5, -4.99f, 4.99f, true}, {"OBB", 5, 0, -5, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EditorObjectStore::Contains(Record(c.shape, 0, c.half), c.x, c.y), c.hit) << c.shape << c.x << c.y;
  }

  EditorObjectStore store;
  ::testing::internal::CaptureStdout();
  for (std::uint32_t id = 1; id <= 3; ++id) store.AddRecord(Record("AABB", 10.0f * id, 6.0f, id));
  // Records 1 and 2 overlap at x 15: the lower key goes first.
  EXPECT_EQ(store.RemoveAt(15, 0), 1u);
  EXPECT_EQ(store.RemoveAt(15, 0), 2u);
  EXPECT_EQ(store.RemoveAt(15, 0), 0u);
  // The next key was 3 before the removals; the lowest free keys follow.
  for (std::uint32_t id = 4; id <= 6; ++id) store.AddRecord(Record("AABB", 0, 1, id));
  ::testing::internal::GetCapturedStdout();
  std::vector<std::pair<std::uint32_t, std::uint32_t>> keys;
  for (const auto& [key, record] : store.GetRecords()) keys.emplace_back(key, record.objectId);
  EXPECT_EQ(keys, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 5}, {1, 6}, {2, 3}, {3, 4}}));
}

TEST(EditComponent, IntegerWidthsHalveByIntegerDivisionAndValuesReachOnlyTheirTypes) {
  EditComponent edit;
  edit.SetIntProperty(EditComponent::Width, 7);
  EXPECT_EQ(edit.halfWidth, 3.0f);
  edit.SetRealProperty(EditComponent::Width, 7.0);
  EXPECT_EQ(edit.halfWidth, 3.5f);
  edit.SetIntProperty(EditComponent::X, 12);
  edit.SetIntProperty(EditComponent::SavedId, 42);
  edit.SetStringProperty(EditComponent::Shape, "OBB");
  edit.SetRealProperty(EditComponent::SavedId, 5.0);
  edit.SetStringProperty(EditComponent::X, "3");
  edit.SetIntProperty(EditComponent::Shape, 3);
  ::testing::internal::CaptureStderr();
  edit.SetRealProperty(EditComponent::X, std::nan(""));
  edit.SetRealProperty(EditComponent::Radius, 1e300);  // no float holds it
  Orv::GameObject object(nullptr, 4);
  edit.OnAttach(&object);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Error! Editable \"x\" of object 4 (unique id 0): a value that is not a finite number is ignored\n");
  EXPECT_EQ(edit.x, 12.0f);
  EXPECT_EQ(edit.savedId, 42);
  EXPECT_EQ(edit.shape, "OBB");
  EXPECT_EQ(edit.radius, 0.0f);
}

TEST(LevelObjectFile, EveryNamedRecordIsWrittenWithoutATrailingCommaAndReadsBackExactly) {
  EXPECT_EQ(Orv::LevelObjectText({}), "{\n  \"spawn\" : \n  [\n  ]\n}\n");
  std::map<std::uint32_t, EditorObjectRecord> records;
  // A hole in the keys, a nameless record last, and values six digits would move.
  records[0] = Record("AABB", 123456.7f, 3.5f);
  records[0].name = "crate \"big\"\\\t";
  records[0].y = -0.1f;
  records[0].savedId = -3;
  records[0].rotation = 33.3333321f;
  records[2] = Record("Circle", 1e-7f, 7.0f);
  records[2].y = FLT_MAX;
  records[5] = Record("OBB", 0, 1);
  records[5].name = "";
  const std::string text = Orv::LevelObjectText(records);
  EXPECT_NE(text.find("    },\n\n    {\n"), std::string::npos) << "records are parted by a comma and an empty line";

  json_error_t error;
  json_t* document = json_loads(text.c_str(), 0, &error);
  ASSERT_NE(document, nullptr) << error.text << " at line " << error.line << "\n" << text;
  Orv::LevelObjectList list = Orv::ReadLevelObjectList(document);
  json_decref(document);
  ASSERT_EQ(list.entries.size(), 2u);
  EXPECT_EQ(list.entries[0].name, records[0].name);
  EXPECT_EQ(list.entries[0].id, static_cast<std::uint32_t>(-3));
  for (std::size_t entry : {0u, 1u}) {
    // The entries given to a new edit component, as the engine does.
    EditComponent edit;
    for (const auto& each : list.entries[entry].overrides.indexed) {
      if (each.componentName != "editable") continue;
      if (each.value.type == Orv::DataReal) edit.SetRealProperty(each.index, each.value.realValue);
      if (each.value.type == Orv::DataInt) edit.SetIntProperty(each.index, each.value.intValue);
      if (each.value.type == Orv::DataString) edit.SetStringProperty(each.index, each.value.stringValue);
    }
    const EditorObjectRecord& record = records[entry == 0 ? 0 : 2];
    EXPECT_EQ(edit.x, record.x);
    EXPECT_EQ(edit.y, record.y);
    EXPECT_EQ(edit.rotation, record.rotation);
    EXPECT_EQ(edit.halfWidth, record.halfWidth) << "the pick box keeps its size through a save and a load";
    EXPECT_EQ(edit.halfHeight, record.halfHeight);
    EXPECT_EQ(edit.radius, record.radius);
    EXPECT_EQ(edit.shape, record.shape);
    EXPECT_EQ(edit.name, record.name);
    EXPECT_EQ(edit.fromFile, 1);
  }
}

TEST(LevelObjectFile, TheReaderTakesOverridesByIndexAndByNameAndMarksEntriesItCannotCreate) {
  const auto read = [](const char* text) {
    json_t* document = json_loads(text, 0, nullptr);
    Orv::LevelObjectList list = Orv::ReadLevelObjectList(document);
    json_decref(document);
    return list;
  };
  const auto list = read(R"({"spawn": [{"name": "a", "id": 1, "params": {"editable": [{"index": 0, "value": 2},
      {"index": 3, "value": {}}, {"index": "5", "value": 1}, {"value": {"k": 0.5, "b": true}}], "x": {"index": 0}}},
      3, {"name": "b", "id": 2.0, "params": {}}, {"name": "c", "id": 3}]})");
  ASSERT_EQ(list.entries.size(), 3u);
  // Then the entry's own type name and id, which the editable did not give.
  ASSERT_EQ(list.entries[0].overrides.indexed.size(), 3u);
  EXPECT_EQ(list.entries[0].overrides.indexed[0].value.intValue, 2);
  EXPECT_EQ(list.entries[0].overrides.indexed[1].index, 3u);
  EXPECT_EQ(list.entries[0].overrides.indexed[1].value.stringValue, "a");
  EXPECT_EQ(list.entries[0].overrides.indexed[2].index, 2u);
  EXPECT_EQ(list.entries[0].overrides.indexed[2].value.intValue, 1);
  // A type name and id of its own are kept; an empty name or a real id is none.
  const auto own = read(R"({"spawn": [{"name": "a", "id": 1, "params": {"editable": [{"index": 3, "value": "b"},
      {"index": 2, "value": 5}]}}, {"name": "c", "id": 6, "params": {"editable": [{"index": 3, "value": ""},
      {"index": 2, "value": 5.0}]}}]})");
  ASSERT_EQ(own.entries.size(), 2u);
  EXPECT_EQ(own.entries[0].overrides.indexed.size(), 2u);
  ASSERT_EQ(own.entries[1].overrides.indexed.size(), 4u);
  EXPECT_EQ(own.entries[1].overrides.indexed[2].value.stringValue, "c");
  EXPECT_EQ(own.entries[1].overrides.indexed[3].value.intValue, 6);
  ASSERT_EQ(list.entries[0].overrides.named.size(), 1u);
  EXPECT_EQ(list.entries[0].overrides.named[0].value.realValue, 0.5);
  EXPECT_FALSE(list.entries[1].valid) << "an id must be an integer";
  EXPECT_EQ(list.entries[1].position, 3u);
  EXPECT_FALSE(list.entries[2].valid) << "params are required";
  EXPECT_EQ(read(R"({"spawns": []})").status, Orv::LevelObjectList::SpawnMissing);
  EXPECT_EQ(read(R"({"spawn": {}})").status, Orv::LevelObjectList::SpawnNotArray);
}
