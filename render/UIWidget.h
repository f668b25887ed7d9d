#pragma once
// The base of the widgets that take part in hit testing as objects of their
// own. Its slots keep their order: the point test, the two that do nothing
// and the kind number are there for widgets yet to come.
namespace Orv {

class UIWidget {
 public:
  virtual ~UIWidget() = default;
  virtual void SetVisible(bool visible) = 0;
  virtual bool GetVisible() = 0;
  virtual void Render() = 0;
  virtual void OnPoint(int x, int y) = 0;
  virtual void OnIdle() = 0;
  // Whether the point lies inside, with no change of state.
  virtual bool ContainsPoint(int x, int y) = 0;
  virtual int GetKind() = 0;
  virtual void SetPosition(int x, int y) = 0;
};

}  // namespace Orv
