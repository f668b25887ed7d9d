#pragma once
// The object's collider and everything the collision engine pairs it by: its
// collision id and the ids it refuses, trigger flags, the manifolds refreshed
// for it this frame, the named values that travel with every contact report,
// and the contact records its script reads once a frame.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Component.h"
#include "core/DataBun.h"
#include "core/NotFiniteRefusal.h"
#include "world/Collider.h"

namespace Orv {

struct Manifold;

// One contact reported to an object, about the other object. A pile writes
// thousands a frame: the record is small and owns nothing, so that writing
// and clearing a list of them touches no more than the list itself.
struct ContactRecord {
  bool collisionStart = false;
  bool collisionStay = false;
  bool collisionEnd = false;
  // Where the receiving component keeps the other object's contact info as
  // it stood then (CollisionComponent::ContactInfoOf); 0 for none.
  std::uint32_t contactInfo = 0;
  // The manifold's first contact point.
  double contactX = 0.0;
  double contactY = 0.0;
  std::int32_t contactID = 0;
  // The other object's world position when written; 0, 0 without a transform.
  float worldX = 0.0f;
  float worldY = 0.0f;
  std::int32_t contactUID = 0;
};

// A contact-info lookup: the value only when the key holds one of the type
// asked for, else found false and the type's default.
template <typename T>
struct ContactInfoValue {
  bool found = false;
  T value;
};

class CollisionComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::CollisionComponent";

  // Property indices: positional blueprint data lands in this order.
  enum Property : unsigned {
    ColliderType,
    PosX,
    PosY,
    ZCollision,
    Id,
    IdToAvoid,
    Height,
    Width,
    Radius,
    Orientation,
    AvoidTrigger,
    AvoidTileTrigger,
    Occluding,
    PropertyCount
  };

  CollisionComponent();
  ~CollisionComponent() override;

  void Setup() override;
  // Frees the manifolds refreshed for this object this frame.
  void Shutdown() override;
  void OnAttach(GameObject* owner) override;
  void OnIntProperty(unsigned index, int value) override;
  void OnStringProperty(unsigned index, const char* value) override;
  // Geometry needs a collider: before "Collider_Type" it is ignored.
  void OnRealProperty(unsigned index, double value) override;
  // The script has read this frame's records.
  void OnScriptUpdated() override { ClearContacts(); }
  // A carried object is not pushed apart from what it touches, nor out of
  // solid tiles.
  void OnMounted() override {
    avoidTrigger = true;
    avoidTileTrigger = true;
  }

  // "AABB", "Circle", "OBB", "Line" or "Empty" makes the collider when there
  // is none yet and says "set as ..."; any other name does nothing.
  void SetColliderByName(const std::string& name);
  Collider* GetCollider() const { return collider_.get(); }

  bool AvoidsId(std::int32_t id) const;
  // The colliders' bounds overlap, borders included.
  bool BoundsOverlap(const CollisionComponent& other) const;
  // The narrow phase, chosen by the other collider's type.
  bool CollideDispatch(const CollisionComponent& other, Manifold& manifold) const;
  // The bounds against the box centre ± extent, borders included.
  bool OverlapsBox(float centreX, float centreY, float extentX, float extentY) const;

  // A set replaces the whole entry under the key.
  void SetContactInfoString(const std::string& key, const std::string& value);
  void SetContactInfoInteger(const std::string& key, std::int32_t value);
  void SetContactInfoReal(const std::string& key, double value);
  // Defaults when not found: "", -1 and -1.0.
  ContactInfoValue<std::string> GetContactInfoString(const std::string& key) const;
  ContactInfoValue<std::int32_t> GetContactInfoInteger(const std::string& key) const;
  ContactInfoValue<double> GetContactInfoReal(const std::string& key) const;
  const std::map<std::string, DataBun>& GetContactInfo() const { return contactInfo_; }

  void AddContact(ContactRecord record) { contacts_.push_back(record); }
  // A blank record at the end of the list, to be filled in place.
  ContactRecord& AddContact() { return contacts_.emplace_back(); }
  // Keeps a copy of info for the records of this frame; the number a record
  // carries to find it again.
  std::uint32_t KeepContactInfo(const std::map<std::string, DataBun>& info);
  const std::vector<ContactRecord>& GetContacts() const { return contacts_; }
  // A record of the present list, to bring up to date in place.
  ContactRecord& ContactAt(std::size_t k) { return contacts_[k]; }
  // The contact info a record of this component's present list carries;
  // empty for none, and for a number beyond what is kept.
  const std::map<std::string, DataBun>& ContactInfoOf(const ContactRecord& record) const;
  // After the owner's script has had its Update: records live one frame.
  void ClearContacts() {
    contacts_.clear();
    keptInfo_.clear();
  }

  // The manifolds refreshed for this object in this frame's pair pass, each
  // with the lifetime of the store that holds it (ManifoldSystem::Holds):
  // clearing all manifolds mid-frame leaves nothing here to follow.
  void AddFrameManifold(Manifold* manifold, std::uint64_t storeLifetime) {
    frameManifolds_.push_back({manifold, storeLifetime});
  }
  void ClearFrameManifolds() { frameManifolds_.clear(); }
  // The ones still held by their store, valid until it is next cleared.
  std::vector<Manifold*> GetFrameManifolds() const;

  // Never reused, unlike addresses and unique ids: a manifold is only this
  // component's while the serials agree.
  std::uint64_t GetSerial() const { return serial_; }

  // Says once which parameter of which object was refused: a value that is
  // not finite never reaches the collider. False for such a value.
  bool AcceptFinite(std::string_view parameter, double value);
  // A box's width or height: finite and not negative.
  bool AcceptSize(std::string_view parameter, double value);

  // Refused by other objects listing it in "id_to_avoid"; not the object's ID.
  std::int32_t collisionId = -1;
  // With either flag set on one object of a pair, the pair's contact is still
  // recorded but neither is pushed away; avoidTileTrigger keeps the object out
  // of the push out of solid tiles. A mounted child carries both.
  bool avoidTrigger = false;
  bool avoidTileTrigger = false;
  // Set by "Empty": the collider meets solid tiles but no other object.
  bool empty = false;
  // Casts shadows.
  bool occluding = false;
  std::vector<std::int32_t> avoidIds;

 private:
  std::unique_ptr<Collider> collider_;
  // Plain pointers: a pile lists thousands a frame, and a count kept for each
  // would cost every one of them twice.
  struct FrameManifold {
    Manifold* manifold;
    std::uint64_t storeLifetime;
  };
  std::vector<FrameManifold> frameManifolds_;
  std::map<std::string, DataBun> contactInfo_;
  std::vector<ContactRecord> contacts_;
  // The contact info the records of contacts_ carry, in the order kept.
  std::vector<std::map<std::string, DataBun>> keptInfo_;
  std::uint64_t serial_;
  NotFiniteRefusal refusal_{"Collision"};
};

}  // namespace Orv
