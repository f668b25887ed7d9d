#pragma once
// The `continue` statement, as a rewrite of the source text before the core
// sees it. A loop that holds a `continue` gets its body wrapped in
// `repeat ... until true`, `continue` becomes a break out of the wrapper and
// a real break of that loop sets a flag that is tested after it. For
// `repeat` loops the body locals that the `until` condition reads are
// declared ahead of the wrapper so the condition still sees them. Text is
// only ever inserted inside lines, so every line keeps its number.
#include <string>
#include <string_view>

namespace OrvLua {

struct ContinueRewrite {
  enum class Status {
    Unchanged,  // no `continue` statement: load the text as it is
    Rewritten,  // load `text`
    NoLoop,     // a `continue` outside every loop of its function, at `line`
    Unparsed,   // the rewriter could not parse the text: `message` at `line`
  };
  Status status = Status::Unchanged;
  std::string text;
  int line = 0;
  std::string message;
};

class ContinueRewriter {
 public:
  static ContinueRewrite Rewrite(std::string_view source);
  // The source with every statement-like `continue` blanked out, so that the
  // core reports the text's real syntax error at its real line.
  static std::string Neutralise(std::string_view source);
};

}  // namespace OrvLua
