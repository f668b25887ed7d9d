#include "render/ReportOnce.h"

#include <set>

#include "core/Report.h"

namespace Orv {

bool FirstReport(const std::string& cause) {
  static std::set<std::string> reported;
  return reported.insert(cause).second;
}

void ShowMessageOnce(const std::string& cause, const std::string& text) {
  if (FirstReport(cause)) ShowMessage(text);
}

void PrintLineOnce(const std::string& cause, const std::string& text) {
  if (FirstReport(cause)) PrintLine(text);
}

}  // namespace Orv
