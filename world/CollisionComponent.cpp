#include "world/CollisionComponent.h"

#include <algorithm>
#include <cmath>

#include "core/Report.h"
#include "world/Manifold.h"
#include "world/ManifoldSystem.h"

namespace Orv {

namespace {

std::uint64_t NextSerial() {
  static std::uint64_t next = 0;
  return ++next;
}

DataBun InfoEntry(std::uint32_t type) {
  DataBun entry;
  entry.type = type;
  return entry;
}

const DataBun* FindInfo(const std::map<std::string, DataBun>& store, const std::string& key, std::uint32_t type) {
  auto found = store.find(key);
  return found != store.end() && found->second.type == type ? &found->second : nullptr;
}

}  // namespace

CollisionComponent::CollisionComponent() : serial_(NextSerial()) {}

CollisionComponent::~CollisionComponent() = default;

void CollisionComponent::Setup() {
  propertyNames["Collider_Type"] = ColliderType;
  propertyNames["pos x"] = PosX;
  propertyNames["pos y"] = PosY;
  propertyNames["z_collision"] = ZCollision;
  propertyNames["id"] = Id;
  propertyNames["id_to_avoid"] = IdToAvoid;
  propertyNames["height"] = Height;
  propertyNames["width"] = Width;
  propertyNames["radius"] = Radius;
  propertyNames["orientation"] = Orientation;
  propertyNames["avoidTrigger"] = AvoidTrigger;
  propertyNames["avoidTileTrigger"] = AvoidTileTrigger;
  propertyNames["occluding"] = Occluding;
}

void CollisionComponent::Shutdown() {
  for (const FrameManifold& listed : frameManifolds_) {
    if (!ManifoldSystem::Holds(listed.storeLifetime)) continue;
    Manifold* manifold = listed.manifold;
    // Another body may have freed it, and a new contact taken the slot.
    if ((manifold->bodyA == this && manifold->serialA == serial_) ||
        (manifold->bodyB == this && manifold->serialB == serial_)) {
      manifold->Free();
    }
  }
  frameManifolds_.clear();
}

void CollisionComponent::OnAttach(GameObject* owner) { refusal_.Attach(owner); }

void CollisionComponent::OnIntProperty(unsigned index, int value) {
  switch (index) {
    case Id: collisionId = value; break;
    case IdToAvoid: avoidIds.push_back(value); break;
    // Data can switch it on, never off.
    case Occluding:
      if (value != 0) occluding = true;
      break;
    default: break;
  }
}

void CollisionComponent::OnStringProperty(unsigned index, const char* value) {
  const std::string_view text = value != nullptr ? value : "";
  bool* flag = index == AvoidTrigger ? &avoidTrigger : index == AvoidTileTrigger ? &avoidTileTrigger : nullptr;
  if (index == ColliderType) {
    SetColliderByName(std::string(text));
  } else if (flag != nullptr && text == "true") {
    *flag = true;
  } else if (flag != nullptr && text == "false") {
    *flag = false;
  }
}

void CollisionComponent::OnRealProperty(unsigned index, double value) {
  if (!collider_) return;
  switch (index) {
    case PosX:
      if (AcceptFinite("pos x", value)) collider_->SetPosition({value, collider_->GetPosition().y});
      break;
    case PosY:
      if (AcceptFinite("pos y", value)) collider_->SetPosition({collider_->GetPosition().x, value});
      break;
    case ZCollision:
      if (AcceptFinite("z_collision", value)) collider_->SetZ(value);
      break;
    case Height:
      if (!AcceptSize("height", value)) break;
      if (auto* box = dynamic_cast<AABB*>(collider_.get())) box->SetHeight(value);
      if (auto* box = dynamic_cast<OBB*>(collider_.get())) box->SetHeight(value);
      break;
    case Width:
      if (!AcceptSize("width", value)) break;
      if (auto* box = dynamic_cast<AABB*>(collider_.get())) box->SetWidth(value);
      if (auto* box = dynamic_cast<OBB*>(collider_.get())) box->SetWidth(value);
      break;
    case Radius:
      if (!refusal_.AcceptNotNegative("radius", value, "a negative radius", "the circle keeps the radius it had")) {
        break;
      }
      if (auto* circle = dynamic_cast<Circle2D*>(collider_.get())) circle->SetRadius(value);
      break;
    case Orientation:
      if (AcceptFinite("orientation", value)) collider_->SetRotation(value);
      break;
    default: break;
  }
}

void CollisionComponent::SetColliderByName(const std::string& name) {
  if (name == "AABB") {
    if (!collider_) collider_ = std::make_unique<AABB>();
  } else if (name == "Circle" || name == "Empty") {
    if (!collider_) collider_ = std::make_unique<Circle2D>();
    if (name == "Empty") empty = true;
  } else if (name == "OBB") {
    if (!collider_) collider_ = std::make_unique<OBB>();
  } else if (name == "Line") {
    if (!collider_) collider_ = std::make_unique<Line2D>();
  } else {
    return;
  }
  // Said whatever the debug level, and also when a collider was already there.
  PrintLine("set as " + name);
}

bool CollisionComponent::AcceptFinite(std::string_view parameter, double value) {
  return refusal_.Accept(parameter, value);
}

bool CollisionComponent::AcceptSize(std::string_view parameter, double value) {
  // A box of negative size has its min past its max: nothing would touch it.
  return refusal_.AcceptNotNegative(parameter, value, "a negative size", "the box keeps the size it had");
}

bool CollisionComponent::AvoidsId(std::int32_t id) const {
  return std::find(avoidIds.begin(), avoidIds.end(), id) != avoidIds.end();
}

bool CollisionComponent::BoundsOverlap(const CollisionComponent& other) const {
  if (!collider_ || !other.collider_) return false;
  const Vec2 min = collider_->GetMin(), max = collider_->GetMax();
  const Vec2 otherMin = other.collider_->GetMin(), otherMax = other.collider_->GetMax();
  return !(otherMin.x > max.x || min.x > otherMax.x || otherMin.y > max.y || min.y > otherMax.y);
}

bool CollisionComponent::CollideDispatch(const CollisionComponent& other, Manifold& manifold) const {
  if (!collider_ || !other.collider_) return false;
  return collider_->Collide(*other.collider_, manifold);
}

bool CollisionComponent::OverlapsBox(float centreX, float centreY, float extentX, float extentY) const {
  if (!collider_) return false;
  const Vec2 min = collider_->GetMin(), max = collider_->GetMax();
  const float left = centreX - extentX, right = centreX + extentX;
  const float bottom = centreY - extentY, top = centreY + extentY;
  return !(min.x > right || left > max.x || min.y > top || bottom > max.y);
}

void CollisionComponent::SetContactInfoString(const std::string& key, const std::string& value) {
  DataBun entry = InfoEntry(DataString);
  entry.stringValue = value;
  contactInfo_[key] = std::move(entry);
}

void CollisionComponent::SetContactInfoInteger(const std::string& key, std::int32_t value) {
  DataBun entry = InfoEntry(DataInt);
  entry.intValue = value;
  contactInfo_[key] = std::move(entry);
}

void CollisionComponent::SetContactInfoReal(const std::string& key, double value) {
  DataBun entry = InfoEntry(DataReal);
  entry.realValue = value;
  contactInfo_[key] = std::move(entry);
}

ContactInfoValue<std::string> CollisionComponent::GetContactInfoString(const std::string& key) const {
  const DataBun* entry = FindInfo(contactInfo_, key, DataString);
  return entry != nullptr ? ContactInfoValue<std::string>{true, entry->stringValue}
                          : ContactInfoValue<std::string>{false, ""};
}

ContactInfoValue<std::int32_t> CollisionComponent::GetContactInfoInteger(const std::string& key) const {
  const DataBun* entry = FindInfo(contactInfo_, key, DataInt);
  return entry != nullptr ? ContactInfoValue<std::int32_t>{true, entry->intValue}
                          : ContactInfoValue<std::int32_t>{false, -1};
}

ContactInfoValue<double> CollisionComponent::GetContactInfoReal(const std::string& key) const {
  const DataBun* entry = FindInfo(contactInfo_, key, DataReal);
  return entry != nullptr ? ContactInfoValue<double>{true, entry->realValue} : ContactInfoValue<double>{false, -1.0};
}

std::uint32_t CollisionComponent::KeepContactInfo(const std::map<std::string, DataBun>& info) {
  keptInfo_.push_back(info);
  return static_cast<std::uint32_t>(keptInfo_.size());
}

const std::map<std::string, DataBun>& CollisionComponent::ContactInfoOf(const ContactRecord& record) const {
  static const std::map<std::string, DataBun> none;
  return record.contactInfo > 0 && record.contactInfo <= keptInfo_.size() ? keptInfo_[record.contactInfo - 1] : none;
}

std::vector<Manifold*> CollisionComponent::GetFrameManifolds() const {
  std::vector<Manifold*> live;
  for (const FrameManifold& listed : frameManifolds_) {
    if (ManifoldSystem::Holds(listed.storeLifetime)) live.push_back(listed.manifold);
  }
  return live;
}

}  // namespace Orv
