#include "editor/EditorDragStore.h"

#include "editor/EditorObjectStore.h"

namespace Orv {

EditorDragStore& EditorDragStore::GetInstance() {
  static EditorDragStore store;
  return store;
}

std::uint32_t EditorDragStore::GetMovedObject() const { return EditorObjectStore::GetInstance().GetMovedObject(); }

Vec2 EditorDragStore::GetPickPoint() const {
  const EditorObjectStore& store = EditorObjectStore::GetInstance();
  return {store.GetPickX(), store.GetPickY()};
}

void EditorDragStore::UpdateFromObject(const GameObject& object, bool released) {
  EditorObjectStore::GetInstance().UpdateFromObject(object, released);
}

}  // namespace Orv
