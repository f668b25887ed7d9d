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
    Script(object).RegisterNewFunctor<ContactCount>("ContactCount", collision.get());
    return object;
  }

  struct ContactCount {
    explicit ContactCount(CollisionComponent* component) : component(component) {}
    unsigned operator()() { return static_cast<unsigned>(component->GetContacts().size()); }
    CollisionComponent* component;
  };

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
