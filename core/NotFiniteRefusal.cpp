#include "core/NotFiniteRefusal.h"

#include <cmath>
#include <sstream>

#include "core/GameObject.h"
#include "core/Report.h"
#include "core/ReportOnce.h"

namespace Orv {

bool NotFiniteRefusal::Accept(std::string_view member, double value) {
  if (std::isfinite(value)) return true;
  Refuse(member);
  return false;
}

bool NotFiniteRefusal::AcceptNotNegative(std::string_view member, double value, std::string_view what,
                                         std::string_view kept) {
  if (!Accept(member, value)) return false;
  if (value >= 0.0) return true;
  std::ostringstream shown;
  shown << value;
  Refuse(member, std::string(what) + " (" + shown.str() + ") is ignored; " + std::string(kept));
  return false;
}

void NotFiniteRefusal::Refuse(std::string_view member, std::string_view why) {
  if (member_.empty()) {
    member_ = member;
    why_ = why;
  }
  Report();
}

void NotFiniteRefusal::Attach(const GameObject* owner) {
  owner_ = owner;
  Report();
}

void NotFiniteRefusal::Report() {
  if (reported_ || owner_ == nullptr || member_.empty()) return;
  reported_ = true;
  const std::string where = kind_ + " \"" + member_ + "\" of " + ObjectName(*owner_);
  PrintErrorLine(why_.empty() ? NotFiniteIgnoredLine(where) : "Error! " + where + ": " + why_);
}

}  // namespace Orv
