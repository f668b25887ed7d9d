// A scripted object's contact records live from the collision passes to the
// end of its script's Update.
#include <gtest/gtest.h>

#include "support/ScriptEngineFixture.h"
#include "world/CollisionComponent.h"

using namespace Orv;

namespace OrvTest {
namespace {

class ContactRecordClear : public ScriptEngineFixture {
 protected:
  // A scripted object with a circle collider; its script gets
  // "ContactCount"() reading the component's records.
  std::shared_ptr<GameObject> SpawnBumper(const std::string& script) {
    folder.Write("data/gameobjects/Bumper.txt",
                 R"({"name":"Bumper","id":1,"components":[{"type":"collision","data":["Circle"]}]})");
    folder.Write("data/scripts/Bumper.lua", script);
    ::testing::internal::CaptureStdout();
    engine.LoadBlueprintFile("data/gameobjects/Bumper.txt");
    engine.LoadGameObjectScriptFile("data/scripts/Bumper.lua", "Bumper.lua");
    auto object = engine.CreateObject("Bumper", 4, true).Lock();
    ::testing::internal::GetCapturedStdout();
    if (!object) return object;
    collision = object->GetComponent<CollisionComponent>().Lock();
    lua_State* L = Script(object).GetState()->GetCState();
    lua_pushlightuserdata(L, collision.get());
    lua_pushcclosure(L, &ContactCount, 1);
    lua_setglobal(L, "ContactCount");
    return object;
  }

  static int ContactCount(lua_State* L) {
    auto* component = static_cast<CollisionComponent*>(lua_touserdata(L, lua_upvalueindex(1)));
    lua_pushnumber(L, static_cast<double>(component->GetContacts().size()));
    return 1;
  }

  std::shared_ptr<CollisionComponent> collision;
};

TEST_F(ContactRecordClear, ARecordWrittenBeforeUpdateIsSeenInItAndGoneAfter) {
  auto bumper = SpawnBumper("seen = ''\nfunction Update() seen = seen .. ContactCount() end\n");
  ASSERT_TRUE(bumper);
  ASSERT_TRUE(collision);
  Admit();
  ContactRecord record;
  record.collisionStart = true;
  record.contactUID = 9;
  collision->AddContact(record);
  collision->AddContact(record);
  Frame();
  EXPECT_EQ(Global(bumper, "seen"), "2");
  EXPECT_TRUE(collision->GetContacts().empty());
  Frame();
  EXPECT_EQ(Global(bumper, "seen"), "20");
  // Emptied whether or not the script runs.
  engine.Pause();
  collision->AddContact(record);
  Frame();
  EXPECT_EQ(Global(bumper, "seen"), "20");
  EXPECT_TRUE(collision->GetContacts().empty());
}

}  // namespace
}  // namespace OrvTest
