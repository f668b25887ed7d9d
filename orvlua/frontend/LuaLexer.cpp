#include "LuaLexer.h"

#include <array>
#include <cctype>

namespace OrvLua::Detail {

namespace {

constexpr std::array<std::string_view, 21> kKeywords = {
    "and", "break", "do",  "else", "elseif", "end",    "false", "for",  "function", "if",   "in",
    "local", "nil",  "not", "or",   "repeat", "return", "then",  "true", "until",    "while"};

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNewline(char c) { return c == '\n' || c == '\r'; }

class Lexer {
 public:
  explicit Lexer(std::string_view source) : src_(source) {}

  LexResult Run() {
    LexResult result;
    while (true) {
      SkipSpaceAndComments();
      if (failed_) break;
      if (pos_ >= src_.size()) break;
      if (!NextToken(result.tokens)) break;
    }
    result.tokens.push_back({TokenKind::End, std::string_view(), src_.size(), line_});
    result.ok = !failed_;
    result.errorLine = errorLine_;
    result.error = error_;
    return result;
  }

 private:
  char At(size_t i) const { return i < src_.size() ? src_[i] : '\0'; }

  void Fail(std::string message) {
    if (failed_) return;
    failed_ = true;
    errorLine_ = line_;
    error_ = std::move(message);
  }

  // \n, \r, \r\n and \n\r each end one line.
  void SkipNewline() {
    char c = src_[pos_++];
    if (IsNewline(At(pos_)) && At(pos_) != c) ++pos_;
    ++line_;
  }

  // The level of a long bracket at pos_ ('[' or ']'): the count of '=', or
  // -1 when the brackets do not form one.
  int LongBracketLevel(size_t at) const {
    char open = At(at);
    size_t i = at + 1;
    int level = 0;
    while (At(i) == '=') {
      ++i;
      ++level;
    }
    return At(i) == open ? level : (level == 0 ? -1 : -2 - level);
  }

  bool SkipLongBracket(int level) {
    pos_ += static_cast<size_t>(level) + 2;
    if (IsNewline(At(pos_))) SkipNewline();
    while (pos_ < src_.size()) {
      char c = src_[pos_];
      if (c == ']' && LongBracketLevel(pos_) == level) {
        pos_ += static_cast<size_t>(level) + 2;
        return true;
      }
      if (IsNewline(c)) {
        SkipNewline();
      } else {
        ++pos_;
      }
    }
    return false;
  }

  void SkipSpaceAndComments() {
    while (pos_ < src_.size()) {
      char c = src_[pos_];
      if (IsNewline(c)) {
        SkipNewline();
      } else if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
        ++pos_;
      } else if (c == '-' && At(pos_ + 1) == '-') {
        pos_ += 2;
        if (At(pos_) == '[') {
          int level = LongBracketLevel(pos_);
          if (level >= 0) {
            if (!SkipLongBracket(level)) Fail("unfinished long comment");
            continue;
          }
        }
        while (pos_ < src_.size() && !IsNewline(src_[pos_])) ++pos_;
      } else {
        return;
      }
    }
  }

  bool NextToken(std::vector<Token>& tokens) {
    size_t start = pos_;
    int line = line_;
    char c = src_[pos_];
    TokenKind kind = TokenKind::Symbol;
    if (IsNameStart(c)) {
      while (IsNameChar(At(pos_))) ++pos_;
      kind = TokenKind::Name;
      std::string_view word = src_.substr(start, pos_ - start);
      for (std::string_view keyword : kKeywords) {
        if (word == keyword) kind = TokenKind::Keyword;
      }
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && std::isdigit(static_cast<unsigned char>(At(pos_ + 1))))) {
      while (std::isdigit(static_cast<unsigned char>(At(pos_))) || At(pos_) == '.') ++pos_;
      if (At(pos_) == 'e' || At(pos_) == 'E') {
        ++pos_;
        if (At(pos_) == '+' || At(pos_) == '-') ++pos_;
      }
      while (IsNameChar(At(pos_))) ++pos_;
      kind = TokenKind::Number;
    } else if (c == '"' || c == '\'') {
      ++pos_;
      while (true) {
        if (pos_ >= src_.size() || IsNewline(src_[pos_])) {
          Fail("unfinished string");
          return false;
        }
        char d = src_[pos_];
        if (d == c) {
          ++pos_;
          break;
        }
        if (d == '\\') {
          ++pos_;
          if (pos_ >= src_.size()) continue;
          if (IsNewline(src_[pos_])) {
            SkipNewline();
          } else {
            ++pos_;
          }
        } else {
          ++pos_;
        }
      }
      kind = TokenKind::String;
    } else if (c == '[') {
      int level = LongBracketLevel(pos_);
      if (level >= 0) {
        if (!SkipLongBracket(level)) {
          Fail("unfinished long string");
          return false;
        }
        kind = TokenKind::String;
      } else if (level == -1) {
        ++pos_;
      } else {
        Fail("invalid long string delimiter");
        return false;
      }
    } else if (c == '.') {
      pos_ += At(pos_ + 1) == '.' ? (At(pos_ + 2) == '.' ? 3 : 2) : 1;
    } else if ((c == '=' || c == '<' || c == '>' || c == '~') && At(pos_ + 1) == '=') {
      pos_ += 2;
    } else {
      ++pos_;
    }
    tokens.push_back({kind, src_.substr(start, pos_ - start), start, line});
    return true;
  }

  std::string_view src_;
  size_t pos_ = 0;
  int line_ = 1;
  bool failed_ = false;
  int errorLine_ = 0;
  std::string error_;
};

}  // namespace

LexResult Tokenize(std::string_view source) { return Lexer(source).Run(); }

}  // namespace OrvLua::Detail
