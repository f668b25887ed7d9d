#pragma once
// Checks that run every frame, and names a script or a file gives that are
// not found, report each cause once: a box or a line per frame would make
// the program unusable.
#include <string>

namespace Orv {

// True the first time cause is seen in this process. Causes made from names
// a script passes are kept up to a bound; past it nothing new is reported.
bool FirstReport(const std::string& cause);
// A message box with text, the first time for this cause.
void ShowMessageOnce(const std::string& cause, const std::string& text);
// A console line with text, the first time for this cause.
void PrintLineOnce(const std::string& cause, const std::string& text);
// An error line (standard error) with text, the first time for this cause.
void PrintErrorLineOnce(const std::string& cause, const std::string& text);
// "Error! <where>: a value that is not a finite number is ignored" on the
// error stream, the first time for where: a script function and the object
// of the calling state, or a member of an object's content.
void ReportNotFiniteIgnored(const std::string& where);
// That line without the "once", for callers that keep their own flag.
std::string NotFiniteIgnoredLine(const std::string& where);

}  // namespace Orv
