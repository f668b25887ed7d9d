#pragma once
// Splits Lua 5.1 source into tokens with their byte offsets and lines, for
// the chunk rewriter. It follows the core's lexical rules closely enough that
// a text it refuses is one the core refuses too.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace OrvLua::Detail {

enum class TokenKind { Name, Keyword, Number, String, Symbol, End };

struct Token {
  TokenKind kind;
  std::string_view text;
  size_t offset;
  int line;
};

struct LexResult {
  std::vector<Token> tokens;  // always ends with an End token
  bool ok = true;
  int errorLine = 0;
  std::string error;
};

LexResult Tokenize(std::string_view source);

}  // namespace OrvLua::Detail
