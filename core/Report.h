#pragma once
// The one way the engine reports: console lines on standard output, error
// lines on standard error, and message boxes.
#include <string>
#include <string_view>

namespace Orv {

// While the frame loop runs and no script does, the engine's own lines wait
// in a buffer and go out in one write at the next script call, at the end of
// the frame, before an error line or a box, and when the buffer is full:
// loading a level prints several lines per object, and a write each cost
// more than the object. While a script runs they go out at once, in order
// with what it prints.

// The text and a line end.
void PrintLine(std::string_view text);
// The text alone.
void Print(std::string_view text);
// Writes out the lines waiting in the buffer.
void FlushConsoleLines();
// The frame loop holds lines from its start to its end; outside it every
// line goes out at once.
void HoldConsoleLines(bool hold);
// Calls into scripts are bracketed with these: what the engine prints in
// between goes straight out.
void BeginScriptOutput();
void EndScriptOutput();
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
