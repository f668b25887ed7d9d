#pragma once
// Checks that run every frame, and names a script or a file gives that are
// not found, report each cause once: a box or a line per frame would make
// the program unusable.
#include <cstddef>
#include <string>
#include <string_view>

namespace Orv {

// True the first time the cause is seen in this process. For the engine's
// own causes, texts its code makes (a check and a program, a function): they
// are few, and each always gets its line once.
bool FirstReport(const std::string& cause);

// True the first time this name is seen for this kind of cause. For causes
// that carry a name a script or a file passes (a sprite, a sound, a type, an
// object): kind is the engine's text for the check ("DrawSprite: no sprite
// frame"), name theirs. Each kind has a budget of kNamesPerKind names of its
// own, so a script making up names for one check silences no other; the
// first new name past it prints one line saying that further ones of the kind
// go unreported. A name is kept as its first kQuotedBytes bytes and a hash of
// the whole.
bool FirstReportOfName(std::string_view kind, std::string_view name);
inline constexpr std::size_t kNamesPerKind = 1024;
inline constexpr std::size_t kQuotedBytes = 200;

// The name as a line quotes it: whole up to kQuotedBytes bytes, else cut
// there (at a character's start) and followed by its length.
std::string QuotedName(std::string_view name);

// A message box with text, the first time for this cause.
void ShowMessageOnce(const std::string& cause, const std::string& text);
// A console line with text, the first time for this cause.
void PrintLineOnce(const std::string& cause, const std::string& text);
// An error line (standard error) with text, the first time for this cause.
void PrintErrorLineOnce(const std::string& cause, const std::string& text);
// The same for a cause of a kind and a name (see FirstReportOfName); the text
// quotes the name with QuotedName.
void PrintLineOnce(std::string_view kind, std::string_view name, const std::string& text);
void PrintErrorLineOnce(std::string_view kind, std::string_view name, const std::string& text);

// "Error! <function> of <object>: a value that is not a finite number is
// ignored" on the error stream, the first time for the function and the
// object: a registered script function and the object of the calling state,
// or a member of an object's content.
void ReportNotFiniteIgnored(std::string_view function, std::string_view object);
// That line without the "once", for callers that keep their own flag.
std::string NotFiniteIgnoredLine(const std::string& where);

}  // namespace Orv
