#include "core/ReportOnce.h"

#include <set>

#include "core/Report.h"

namespace Orv {

namespace {

// Enough for every name a game's content holds; a script that makes up new
// names every frame stops being reported here instead of growing the set.
constexpr std::size_t kMaxCauses = 4096;

}  // namespace

bool FirstReport(const std::string& cause) {
  static std::set<std::string> reported;
  if (reported.size() >= kMaxCauses) return false;
  return reported.insert(cause).second;
}

void ShowMessageOnce(const std::string& cause, const std::string& text) {
  if (FirstReport(cause)) ShowMessage(text);
}

void PrintLineOnce(const std::string& cause, const std::string& text) {
  if (FirstReport(cause)) PrintLine(text);
}

void PrintErrorLineOnce(const std::string& cause, const std::string& text) {
  if (FirstReport(cause)) PrintErrorLine(text);
}

void ReportNotFiniteIgnored(const std::string& where) {
  if (FirstReport("not finite " + where)) PrintErrorLine(NotFiniteIgnoredLine(where));
}

std::string NotFiniteIgnoredLine(const std::string& where) {
  return "Error! " + where + ": a value that is not a finite number is ignored";
}

}  // namespace Orv
