#pragma once
// The editor's records of the level objects, one per placed object, kept for
// the whole run: what a save writes, and what the mouse picks by point.
#include <cstdint>
#include <map>
#include <string>

namespace Orv {

class GameObject;

struct EditorObjectRecord {
  float x = 0.0f;
  float y = 0.0f;
  float rotation = 0.0f;
  std::int32_t savedId = 0;
  // The unique id of the live object the record follows; 0 for none.
  std::uint32_t objectId = 0;
  std::string name;
  std::string shape;
  float halfWidth = 0.0f;
  float halfHeight = 0.0f;
  float radius = 0.0f;
};

class EditorObjectStore {
 public:
  // The store of the run, made on first use.
  static EditorObjectStore& GetInstance();

  // "Circle": strictly inside the radius; "AABB" and "OBB": strictly inside
  // the unturned box; any other shape: never.
  static bool Contains(const EditorObjectRecord& record, float x, float y);

  // Records under the next free key and says so on the console.
  void AddRecord(const EditorObjectRecord& record);
  // Erases the first record (lowest key) containing the point; the unique id
  // of its object, 0 when none contains it.
  std::uint32_t RemoveAt(float x, float y);
  // On a fresh press (begin) the first record containing the point makes its
  // object the dragged (turned) one; a miss keeps the previous one. The pick
  // point moves in every case. Returns the dragged (turned) object's unique id.
  std::uint32_t PickForMove(bool begin, float x, float y);
  std::uint32_t PickForRotate(bool begin, float x, float y);
  // The records of the object take its collider's centre and rotation; on
  // release nothing is dragged or turned any more.
  void UpdateFromObject(const GameObject& object, bool released);
  // Drops every record; the next key stays.
  void ClearRecords();

  // In ascending key order, the order of picking and saving.
  const std::map<std::uint32_t, EditorObjectRecord>& GetRecords() const { return records_; }
  // Unique ids; 0 means none.
  std::uint32_t GetMovedObject() const { return movedObject_; }
  std::uint32_t GetRotatedObject() const { return rotatedObject_; }
  double GetPickX() const { return pickX_; }
  double GetPickY() const { return pickY_; }

 private:
  // The key of the first record containing the point, or none.
  const std::uint32_t* FirstContaining(float x, float y) const;
  // The pick shared by moving and turning: on a begin, the object under the
  // point becomes the held one; the point is kept either way.
  std::uint32_t Pick(std::uint32_t& held, bool begin, float x, float y);
  // The key was just filled: the lowest free key moves past it and past the
  // keys taken after it.
  void TakeKey(std::uint32_t key);

  std::map<std::uint32_t, EditorObjectRecord> records_;
  std::uint32_t nextKey_ = 0;
  // The lowest key without a record, kept as records come and go so that an
  // add costs no walk over every record.
  std::uint32_t lowestFree_ = 0;
  std::uint32_t rotatedObject_ = 0;
  std::uint32_t movedObject_ = 0;
  double pickX_ = 0.0;
  double pickY_ = 0.0;
  // Unique id to the keys of its records, so the per-frame follow costs no
  // walk over every record for every object.
  std::multimap<std::uint32_t, std::uint32_t> keysByObject_;
};

}  // namespace Orv
