#pragma once
// Content values (blueprints, spawn lists, level files) often reach a
// component before it has an object, so the first refused member is kept and
// said once the object is known: one line per object, on the error stream.
#include <string>
#include <string_view>

namespace Orv {

class GameObject;

class NotFiniteRefusal {
 public:
  // kind names the component in the line, e.g. "Transform".
  explicit NotFiniteRefusal(std::string_view kind) : kind_(kind) {}

  // False, noting member, when value is not finite.
  bool Accept(std::string_view member, double value);
  // False, noting member, when value is not finite or below 0; a negative one
  // is said as "<what> (<value>) is ignored; <kept>".
  bool AcceptNotNegative(std::string_view member, double value, std::string_view what, std::string_view kept);
  // Notes member as refused; only the first one is named. why replaces the
  // line's "not a finite number" for a value refused for another cause.
  void Refuse(std::string_view member, std::string_view why = {});
  // The object is known: a refusal noted before is said now.
  void Attach(const GameObject* owner);

 private:
  void Report();

  std::string kind_;
  std::string member_;
  std::string why_;
  const GameObject* owner_ = nullptr;
  bool reported_ = false;
};

}  // namespace Orv
