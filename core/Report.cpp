#include "core/Report.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/DebugLevel.h"
#include "platform/MessageBox.h"

namespace Orv {

namespace {

constexpr std::size_t kHeldBytes = 64 * 1024;

struct HeldLines {
  HeldLines() {
    text.reserve(kHeldBytes);
    // Lines of the last frame still go out when the program ends.
    std::atexit(&FlushConsoleLines);
  }
  std::string text;
  bool holding = false;
  int scriptDepth = 0;
};

// Never destroyed: the exit handler flushes after the static destructors
// of earlier statics may have run.
HeldLines& Held() {
  static HeldLines* held = new HeldLines;
  return *held;
}

void Hold(std::string_view text, bool lineEnd) {
  HeldLines& held = Held();
  if (!held.holding || held.scriptDepth > 0) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (lineEnd) {
      std::fputc('\n', stdout);
      std::fflush(stdout);
    }
    return;
  }
  held.text.append(text);
  if (lineEnd) held.text.push_back('\n');
  if (held.text.size() >= kHeldBytes) FlushConsoleLines();
}

}  // namespace

void PrintLine(std::string_view text) { Hold(text, true); }

void Print(std::string_view text) { Hold(text, false); }

void FlushConsoleLines() {
  HeldLines& held = Held();
  if (held.text.empty()) return;
  std::fwrite(held.text.data(), 1, held.text.size(), stdout);
  std::fflush(stdout);
  held.text.clear();
}

void HoldConsoleLines(bool hold) {
  FlushConsoleLines();
  Held().holding = hold;
}

void BeginScriptOutput() {
  FlushConsoleLines();
  ++Held().scriptDepth;
}

void EndScriptOutput() { --Held().scriptDepth; }

void PrintErrorLine(std::string_view text) {
  FlushConsoleLines();
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void ShowMessage(const std::string& text) {
  FlushConsoleLines();
  Platform::ShowMessageBox(text);
}

void PrintLineAndShowMessage(const std::string& text) {
  PrintLine(text);
  ShowMessage(text);
}

bool IsVerbose() { return DebugLevel() > 1; }

}  // namespace Orv
