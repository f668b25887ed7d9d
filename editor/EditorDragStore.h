#pragma once
// The editor's object store as the GUI's drag step sees it.
#include "render/ObjectDragStore.h"

namespace Orv {

class EditorDragStore : public ObjectDragStore {
 public:
  static EditorDragStore& GetInstance();

  std::uint32_t GetMovedObject() const override;
  Vec2 GetPickPoint() const override;
  void UpdateFromObject(const GameObject& object, bool released) override;
};

}  // namespace Orv
