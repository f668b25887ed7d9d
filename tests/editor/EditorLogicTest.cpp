// Beneath the editor: picking by point, the keys records take, the edit
// component's parameters, and the level-object text with its reader.
#include <gtest/gtest.h>
#include <jansson.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "editor/EditComponent.h"
#include "editor/EditorObjectStore.h"
#include "editor/LevelObjectFile.h"

using Orv::EditComponent;
using Orv::EditorObjectRecord;
using Orv::EditorObjectStore;

namespace {

EditorObjectRecord Record(const std::string& shape, float x, float y, float half, std::uint32_t objectId = 1) {
  EditorObjectRecord record;
  record.name = "crate";
  record.shape = shape;
  record.x = x;
  record.y = y;
  record.halfWidth = record.halfHeight = record.radius = half;
  record.objectId = objectId;
  return record;
}

// Adds quietly: the store announces every record on the console.
void Add(EditorObjectStore& store, const EditorObjectRecord& record) {
  ::testing::internal::CaptureStdout();
  store.AddRecord(record);
  ::testing::internal::GetCapturedStdout();
}

// The text read back by the JSON library, as the loader reads it.
Orv::LevelObjectList ReadBack(const std::string& text, json_t** document) {
  json_error_t error;
  *document = json_loads(text.c_str(), 0, &error);
  EXPECT_NE(*document, nullptr) << error.text << " at line " << error.line << "\n" << text;
  return *document ? Orv::ReadLevelObjectList(*document) : Orv::LevelObjectList{};
}

}  // namespace

TEST(EditorObjectStore, PicksStrictlyInsideCirclesAndUnturnedBoxes) {
  struct Case {
    const char* shape;
    float x, y;
    bool hit;
  } cases[] = {
      {"Circle", 6.0f, 8.0f, false},                                 // exactly on the circle of radius 10
      {"Circle", 6.0f, 7.9f, true},  {"circle", 0.0f, 0.0f, false},  // shape names are exact
      {"AABB", 5.0f, 0.0f, false},                                   // on the edge of the box of half width 5
      {"AABB", 4.99f, 0.0f, true},   {"OBB", -4.99f, 4.99f, true},
      {"OBB", 0.0f, -5.0f, false},   {"", 0.0f, 0.0f, false},
  };
  for (const Case& c : cases) {
    const float half = std::string(c.shape) == "Circle" || std::string(c.shape) == "circle" ? 10.0f : 5.0f;
    EXPECT_EQ(EditorObjectStore::Contains(Record(c.shape, 0.0f, 0.0f, half), c.x, c.y), c.hit)
        << c.shape << " at " << c.x << ", " << c.y;
  }
}

TEST(EditorObjectStore, KeysFillTheLowestHoleAfterTheNextAndRemovalTakesTheLowestKey) {
  EditorObjectStore store;
  for (std::uint32_t id = 1; id <= 3; ++id) Add(store, Record("AABB", 10.0f * id, 0.0f, 6.0f, id));
  // Records 1 and 2 overlap at x 15: the lower key goes first.
  EXPECT_EQ(store.RemoveAt(15.0f, 0.0f), 1u);
  EXPECT_EQ(store.RemoveAt(15.0f, 0.0f), 2u);
  EXPECT_EQ(store.RemoveAt(15.0f, 0.0f), 0u);
  Add(store, Record("AABB", 0.0f, 0.0f, 1.0f, 4));
  Add(store, Record("AABB", 0.0f, 0.0f, 1.0f, 5));
  Add(store, Record("AABB", 0.0f, 0.0f, 1.0f, 6));
  std::vector<std::pair<std::uint32_t, std::uint32_t>> keys;
  for (const auto& [key, record] : store.GetRecords()) keys.emplace_back(key, record.objectId);
  EXPECT_EQ(keys, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 5}, {1, 6}, {2, 3}, {3, 4}}));
}

TEST(EditorObjectStore, APickNeedsAFreshPressAndAMissKeepsTheObject) {
  EditorObjectStore store;
  Add(store, Record("Circle", 0.0f, 0.0f, 10.0f, 7));
  EXPECT_EQ(store.PickForMove(false, 1.0f, 1.0f), 0u) << "no press, no pick";
  EXPECT_EQ(store.PickForMove(true, 1.0f, 1.0f), 7u);
  EXPECT_EQ(store.PickForMove(true, 50.0f, 60.0f), 7u) << "a miss keeps the dragged object";
  EXPECT_EQ(store.GetPickX(), 50.0);
  EXPECT_EQ(store.GetPickY(), 60.0);
  EXPECT_EQ(store.PickForRotate(true, 2.0f, 2.0f), 7u);
  EXPECT_EQ(store.GetRotatedObject(), 7u);
}

TEST(EditComponent, ParametersByIndexAndTypeHalveWidthsAndRefuseNonFiniteValues) {
  EditComponent edit;
  edit.SetIntProperty(EditComponent::Width, 7);
  EXPECT_EQ(edit.halfWidth, 3.0f) << "an integer width is halved by integer division";
  edit.SetRealProperty(EditComponent::Width, 7.0);
  EXPECT_EQ(edit.halfWidth, 3.5f);
  edit.SetIntProperty(EditComponent::Height, -9);
  EXPECT_EQ(edit.halfHeight, -4.0f);
  edit.SetIntProperty(EditComponent::X, 12);
  edit.SetRealProperty(EditComponent::Y, 2.5);
  edit.SetIntProperty(EditComponent::Rotation, 90);
  edit.SetRealProperty(EditComponent::Radius, 4.25);
  edit.SetIntProperty(EditComponent::SavedId, 42);
  edit.SetIntProperty(EditComponent::FromFile, 1);
  edit.SetStringProperty(EditComponent::Name, "crate");
  edit.SetStringProperty(EditComponent::Shape, "OBB");
  // Values of the wrong type for their index change nothing.
  edit.SetRealProperty(EditComponent::SavedId, 5.0);
  edit.SetRealProperty(EditComponent::FromFile, 0.0);
  edit.SetStringProperty(EditComponent::X, "3");
  edit.SetIntProperty(EditComponent::Name, 3);
  EXPECT_EQ(edit.x, 12.0f);
  EXPECT_EQ(edit.y, 2.5f);
  EXPECT_EQ(edit.rotation, 90.0f);
  EXPECT_EQ(edit.radius, 4.25f);
  EXPECT_EQ(edit.savedId, 42);
  EXPECT_EQ(edit.fromFile, 1);
  EXPECT_EQ(edit.name, "crate");
  EXPECT_EQ(edit.shape, "OBB");

  ::testing::internal::CaptureStderr();
  edit.SetRealProperty(EditComponent::X, std::nan(""));
  edit.SetRealProperty(EditComponent::Radius, 1e300);
  EXPECT_EQ(edit.x, 12.0f);
  EXPECT_EQ(edit.radius, 4.25f) << "beyond a float's range is refused too";
  ::testing::internal::GetCapturedStderr();
}

TEST(LevelObjectFile, AnEmptyStoreWritesTheFrameOfTheFileAlone) {
  EXPECT_EQ(Orv::LevelObjectText({}), "{\n  \"spawn\" : \n  [\n  ]\n}\n");
}

TEST(LevelObjectFile, EveryRecordIsWrittenWithoutATrailingCommaAndReadsBackExactly) {
  std::map<std::uint32_t, EditorObjectRecord> records;
  // A hole in the keys, a record without a name last, and values that six
  // digits would move.
  records[0] = Record("AABB", 123456.7f, -0.1f, 3.5f);
  records[0].name = "crate \"big\"\\\t";
  records[0].savedId = -3;
  records[0].rotation = 33.3333321f;
  records[2] = Record("Circle", 1e-7f, FLT_MAX, 7.0f);
  records[2].radius = 0.5f;
  records[5] = Record("OBB", 0.0f, 0.0f, 1.0f);
  records[5].name = "";
  const std::string text = Orv::LevelObjectText(records);
  EXPECT_EQ(text.find(",\n  ]"), std::string::npos) << text;
  EXPECT_NE(text.find("    },\n\n    {\n"), std::string::npos) << "records are parted by a comma and an empty line";
  EXPECT_EQ(records.size(), 3u) << "writing adds nothing to the records";

  json_t* document = nullptr;
  Orv::LevelObjectList list = ReadBack(text, &document);
  ASSERT_EQ(list.entries.size(), 2u);
  const auto value = [&](std::size_t entry, const char* component, std::uint32_t index) {
    for (const auto& each : list.entries[entry].overrides.indexed) {
      if (each.componentName == component && each.index == index) return each.value;
    }
    ADD_FAILURE() << component << " " << index << " missing";
    return Orv::DataBun{};
  };
  EXPECT_EQ(list.entries[0].name, records[0].name);
  EXPECT_EQ(list.entries[0].id, static_cast<std::uint32_t>(-3));
  EXPECT_EQ(value(0, "editable", 3).stringValue, records[0].name);
  for (std::size_t entry : {0u, 1u}) {
    const EditorObjectRecord& record = records[entry == 0 ? 0 : 2];
    EditComponent edit;
    for (const auto& each : list.entries[entry].overrides.indexed) {
      if (each.componentName != "editable") continue;
      EXPECT_EQ(each.value.type, each.index == 2 || each.index == 4   ? Orv::DataInt
                                 : each.index == 3 || each.index == 5 ? Orv::DataString
                                                                      : Orv::DataReal)
          << each.index;
      if (each.value.type == Orv::DataReal) edit.SetRealProperty(each.index, each.value.realValue);
      if (each.value.type == Orv::DataInt) edit.SetIntProperty(each.index, each.value.intValue);
      if (each.value.type == Orv::DataString) edit.SetStringProperty(each.index, each.value.stringValue);
    }
    EXPECT_EQ(edit.x, record.x);
    EXPECT_EQ(edit.y, record.y);
    EXPECT_EQ(edit.rotation, record.rotation);
    EXPECT_EQ(edit.halfWidth, record.halfWidth) << "the pick box keeps its size through a save and a load";
    EXPECT_EQ(edit.halfHeight, record.halfHeight);
    EXPECT_EQ(edit.radius, record.radius);
    EXPECT_EQ(edit.shape, record.shape);
    EXPECT_EQ(edit.fromFile, 1);
    EXPECT_EQ(static_cast<float>(value(entry, "collision", 1).realValue), record.x);
    EXPECT_EQ(static_cast<float>(value(entry, "collision", 2).realValue), record.y);
  }
  json_decref(document);
}

TEST(LevelObjectFile, TheReaderTakesOverridesByIndexAndByNameAndMarksBadEntries) {
  json_t* document = nullptr;
  Orv::LevelObjectList list = ReadBack(R"({"spawn": [
    {"name": "a", "id": 1, "params": {"editable": [{"index": 0, "value": 2}, {"index": 1, "value": 2.5},
        {"index": 3, "value": "n"}, {"index": 4, "value": {}}, {"index": "5", "value": 1}, {"index": 6},
        {"value": {"k": 1, "r": 0.5, "s": "t", "b": true}}, 7], "transform": {"index": 0, "value": 1}}},
    3,
    {"name": "b", "id": 2.0, "params": {}},
    {"name": "c", "id": 3},
    {"name": "d", "id": 4, "params": {}}]})",
                                       &document);
  ASSERT_EQ(list.status, Orv::LevelObjectList::Read);
  ASSERT_EQ(list.entries.size(), 4u);
  const auto& indexed = list.entries[0].overrides.indexed;
  ASSERT_EQ(indexed.size(), 3u);
  EXPECT_EQ(indexed[0].value.intValue, 2);
  EXPECT_EQ(indexed[1].value.realValue, 2.5);
  EXPECT_EQ(indexed[2].value.stringValue, "n");
  const auto& named = list.entries[0].overrides.named;
  ASSERT_EQ(named.size(), 3u);
  EXPECT_EQ(named[0].key, "k");
  EXPECT_EQ(named[2].value.stringValue, "t");
  EXPECT_FALSE(list.entries[1].valid) << "an id must be an integer";
  EXPECT_EQ(list.entries[1].position, 3u);
  EXPECT_FALSE(list.entries[2].valid) << "params are required";
  EXPECT_TRUE(list.entries[3].valid);
  EXPECT_TRUE(list.entries[3].overrides.Empty());
  json_decref(document);

  ReadBack(R"({"spawns": []})", &document);
  EXPECT_EQ(Orv::ReadLevelObjectList(document).status, Orv::LevelObjectList::SpawnMissing);
  json_decref(document);
  ReadBack(R"({"spawn": {}})", &document);
  EXPECT_EQ(Orv::ReadLevelObjectList(document).status, Orv::LevelObjectList::SpawnNotArray);
  json_decref(document);
}
