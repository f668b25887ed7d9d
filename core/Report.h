#pragma once
// The one way the engine reports: console lines on standard output, error
// lines on standard error, and message boxes.
#include <string>
#include <string_view>

namespace Orv {

// The text, a line end and a flush.
void PrintLine(std::string_view text);
// The text alone, no flush.
void Print(std::string_view text);
// A line on standard error: problems in the user's files that have no box.
void PrintErrorLine(std::string_view text);
// A message box (a line on standard error when headless).
void ShowMessage(const std::string& text);
// The same text as a console line and then in a message box: the console
// already holds it while the box waits.
void PrintLineAndShowMessage(const std::string& text);
// Loaders' progress lines and the optional section heads print above level 1.
bool IsVerbose();

}  // namespace Orv
