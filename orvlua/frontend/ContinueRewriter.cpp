#include "ContinueRewriter.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "LuaLexer.h"

namespace OrvLua {

namespace {

using Detail::Token;
using Detail::TokenKind;

constexpr size_t kNone = static_cast<size_t>(-1);

// True when the Name token at i begins a `continue` statement: it must not
// be followed by what would make it a name in an assignment or a call.
bool StartsContinue(const std::vector<Token>& tokens, size_t i) {
  const Token& next = tokens[i + 1];
  if (next.kind == TokenKind::String) return false;
  if (next.kind != TokenKind::Symbol) return true;
  static const std::string_view kNameFollowers[] = {"=", ",", ".", "[", ":", "(", "{"};
  return std::find(std::begin(kNameFollowers), std::end(kNameFollowers), next.text) == std::end(kNameFollowers);
}

struct Var {
  std::string_view name;
  int block;
};

struct Ref {
  size_t token;
  int var;
};

struct LocalStatement {
  size_t localToken;
  size_t functionToken;  // kNone unless `local function`
  std::vector<size_t> nameTokens;
  std::vector<int> vars;
  bool hasAssign;
  int block;
  size_t lastToken;  // the statement's last token (a function's name)
};

struct Loop {
  bool isRepeat;
  size_t openToken;   // `do` or `repeat`
  size_t closeToken;  // `end` or `until`
  size_t condEnd;     // repeat: the token after the `until` condition
  int bodyBlock;
  std::vector<size_t> continues;
  std::vector<size_t> breaks;
};

struct Edit {
  size_t offset;
  size_t length;
  std::string text;
};

// A recursive-descent reader of the core's grammar. It records the loops,
// their `continue` and `break` statements, the local declarations and what
// every variable name refers to; the edits are worked out afterwards.
class Parser {
 public:
  explicit Parser(const std::vector<Token>& tokens) : tokens_(tokens) {}

  void Run() {
    EnterFunction(true);
    EnterBlock();
    Block();
    if (!failed_ && Cur().kind != TokenKind::End) Fail("'<eof>' expected");
    LeaveBlock();
    LeaveFunction();
  }

  bool failed_ = false;
  bool noLoop_ = false;
  int errorLine_ = 0;
  std::string error_;
  std::vector<Var> vars_;
  std::vector<Ref> refs_;
  std::vector<LocalStatement> locals_;
  std::vector<Loop> loops_;

 private:
  const Token& Cur() const { return failed_ ? tokens_.back() : tokens_[pos_]; }
  const Token& Ahead(size_t n) const {
    return failed_ ? tokens_.back() : tokens_[std::min(pos_ + n, tokens_.size() - 1)];
  }
  bool Check(std::string_view text) const {
    const Token& t = Cur();
    return (t.kind == TokenKind::Symbol || t.kind == TokenKind::Keyword) && t.text == text;
  }
  void Next() {
    if (!failed_ && pos_ + 1 < tokens_.size()) ++pos_;
  }
  bool Accept(std::string_view text) {
    if (!Check(text)) return false;
    Next();
    return true;
  }
  void Expect(std::string_view text) {
    if (Accept(text)) return;
    std::string message = "'";
    message += text;
    message += "' expected";
    Fail(std::move(message));
  }
  size_t ExpectName() {
    if (Cur().kind != TokenKind::Name) {
      Fail("<name> expected");
      return kNone;
    }
    size_t at = pos_;
    Next();
    return at;
  }
  void Fail(std::string message) {
    if (failed_) return;
    errorLine_ = Cur().line;
    error_ = std::move(message);
    failed_ = true;
  }

  void EnterBlock() {
    blocks_.push_back(blockCount_++);
    marks_.push_back(active_.size());
  }
  void LeaveBlock() {
    active_.resize(marks_.back());
    marks_.pop_back();
    blocks_.pop_back();
  }
  int Declare(size_t token) {
    vars_.push_back({token == kNone ? std::string_view("self") : tokens_[token].text, blocks_.back()});
    return static_cast<int>(vars_.size()) - 1;
  }
  void Activate(int var) { active_.push_back(var); }
  void Resolve(size_t token) {
    std::string_view name = tokens_[token].text;
    for (size_t i = active_.size(); i-- > 0;) {
      if (vars_[active_[i]].name == name) {
        refs_.push_back({token, active_[i]});
        return;
      }
    }
  }
  void EnterFunction(bool vararg) {
    loopStacks_.emplace_back();
    vararg_.push_back(vararg);
  }
  void LeaveFunction() {
    loopStacks_.pop_back();
    vararg_.pop_back();
  }

  bool BlockFollow() const {
    const Token& t = Cur();
    if (t.kind == TokenKind::End) return true;
    return t.kind == TokenKind::Keyword &&
           (t.text == "else" || t.text == "elseif" || t.text == "end" || t.text == "until");
  }

  void Block() {
    // Blocks count against the same limit as expressions, as the core's
    // parser counts them, so deep nesting fails instead of exhausting the
    // stack.
    if (++depth_ > kMaxSyntaxLevels) {
      Fail("chunk has too many syntax levels");
      return;
    }
    while (!failed_ && !BlockFollow()) {
      bool last = Statement();
      Accept(";");
      if (last) break;
    }
    --depth_;
  }

  void ScopedBlock() {
    EnterBlock();
    Block();
    LeaveBlock();
  }

  // True for the statements that must end their block.
  bool Statement() {
    const Token& t = Cur();
    if (t.kind == TokenKind::Name && t.text == "continue" && StartsContinue(tokens_, pos_)) {
      ContinueStatement();
      return false;
    }
    if (t.kind != TokenKind::Keyword) {
      ExpressionStatement();
      return false;
    }
    std::string_view word = t.text;
    if (word == "if") {
      Next();
      Expr();
      Expect("then");
      ScopedBlock();
      while (Check("elseif")) {
        Next();
        Expr();
        Expect("then");
        ScopedBlock();
      }
      if (Accept("else")) ScopedBlock();
      Expect("end");
    } else if (word == "while") {
      Next();
      Expr();
      size_t open = pos_;
      Expect("do");
      size_t loop = EnterLoop(false, open);
      ScopedBlock();
      loops_[loop].closeToken = pos_;
      Expect("end");
      LeaveLoop();
    } else if (word == "do") {
      Next();
      ScopedBlock();
      Expect("end");
    } else if (word == "for") {
      ForStatement();
    } else if (word == "repeat") {
      size_t loop = EnterLoop(true, pos_);
      Next();
      EnterBlock();
      loops_[loop].bodyBlock = blocks_.back();
      Block();
      loops_[loop].closeToken = pos_;
      Expect("until");
      Expr();
      loops_[loop].condEnd = pos_;
      LeaveBlock();
      LeaveLoop();
    } else if (word == "function") {
      Next();
      size_t name = ExpectName();
      if (name != kNone) Resolve(name);
      while (Accept(".")) ExpectName();
      bool method = false;
      if (Accept(":")) {
        ExpectName();
        method = true;
      }
      Body(method);
    } else if (word == "local") {
      size_t localToken = pos_;
      Next();
      if (Check("function")) {
        size_t functionToken = pos_;
        Next();
        size_t name = ExpectName();
        if (name == kNone) return false;
        int var = Declare(name);
        Activate(var);
        locals_.push_back({localToken, functionToken, {name}, {var}, false, blocks_.back(), name});
        Body(false);
      } else {
        LocalStatement statement{localToken, kNone, {}, {}, false, blocks_.back(), kNone};
        do {
          size_t name = ExpectName();
          if (name == kNone) return false;
          statement.nameTokens.push_back(name);
        } while (Accept(","));
        if (Accept("=")) {
          statement.hasAssign = true;
          ExprList();
        }
        statement.lastToken = pos_ - 1;
        for (size_t name : statement.nameTokens) {
          int var = Declare(name);
          statement.vars.push_back(var);
          Activate(var);
        }
        locals_.push_back(std::move(statement));
      }
    } else if (word == "return") {
      Next();
      if (!BlockFollow() && !Check(";")) ExprList();
      return true;
    } else if (word == "break") {
      if (!loopStacks_.back().empty()) loops_[loopStacks_.back().back()].breaks.push_back(pos_);
      Next();
      return true;
    } else {
      ExpressionStatement();
    }
    return false;
  }

  void ContinueStatement() {
    if (loopStacks_.back().empty()) {
      Fail("no loop to continue");
      noLoop_ = true;
      return;
    }
    loops_[loopStacks_.back().back()].continues.push_back(pos_);
    Next();
  }

  size_t EnterLoop(bool isRepeat, size_t open) {
    loops_.push_back({isRepeat, open, kNone, kNone, -1, {}, {}});
    loopStacks_.back().push_back(loops_.size() - 1);
    return loops_.size() - 1;
  }
  void LeaveLoop() { loopStacks_.back().pop_back(); }

  void ForStatement() {
    Next();
    std::vector<size_t> names;
    size_t first = ExpectName();
    if (first == kNone) return;
    names.push_back(first);
    if (Accept("=")) {
      Expr();
      Expect(",");
      Expr();
      if (Accept(",")) Expr();
    } else if (Check(",") || Check("in")) {
      while (Accept(",")) {
        size_t name = ExpectName();
        if (name == kNone) return;
        names.push_back(name);
      }
      Expect("in");
      ExprList();
    } else {
      Fail("'=' or 'in' expected");
      return;
    }
    size_t open = pos_;
    Expect("do");
    size_t loop = EnterLoop(false, open);
    EnterBlock();
    for (size_t name : names) Activate(Declare(name));
    Block();
    LeaveBlock();
    loops_[loop].closeToken = pos_;
    Expect("end");
    LeaveLoop();
  }

  void Body(bool method) {
    Expect("(");
    EnterFunction(false);
    EnterBlock();
    std::vector<int> params;
    if (method) params.push_back(Declare(kNone));
    bool vararg = false;
    if (!Check(")")) {
      do {
        if (Accept("...")) {
          vararg = true;
          break;
        }
        size_t name = ExpectName();
        if (name == kNone) break;
        params.push_back(Declare(name));
      } while (Accept(","));
    }
    vararg_.back() = vararg;
    for (int var : params) Activate(var);
    Expect(")");
    Block();
    Expect("end");
    LeaveBlock();
    LeaveFunction();
  }

  enum class ExpKind { Other, Assignable, Call };

  void ExpressionStatement() {
    ExpKind kind = SuffixedExp();
    if (Check("=") || Check(",")) {
      while (true) {
        if (kind != ExpKind::Assignable) {
          Fail("syntax error");
          return;
        }
        if (!Accept(",")) break;
        kind = SuffixedExp();
      }
      Expect("=");
      ExprList();
    } else if (kind != ExpKind::Call) {
      Fail("syntax error");
    }
  }

  ExpKind PrimaryExp() {
    if (Cur().kind == TokenKind::Name) {
      Resolve(pos_);
      Next();
      return ExpKind::Assignable;
    }
    if (Accept("(")) {
      Expr();
      Expect(")");
      return ExpKind::Other;
    }
    Fail("unexpected symbol");
    return ExpKind::Other;
  }

  ExpKind SuffixedExp() {
    ExpKind kind = PrimaryExp();
    while (!failed_) {
      if (Accept(".")) {
        ExpectName();
        kind = ExpKind::Assignable;
      } else if (Accept("[")) {
        Expr();
        Expect("]");
        kind = ExpKind::Assignable;
      } else if (Accept(":")) {
        ExpectName();
        FuncArgs();
        kind = ExpKind::Call;
      } else if (Check("(") || Check("{") || Cur().kind == TokenKind::String) {
        FuncArgs();
        kind = ExpKind::Call;
      } else {
        break;
      }
    }
    return kind;
  }

  void FuncArgs() {
    if (Cur().kind == TokenKind::String) {
      Next();
    } else if (Check("{")) {
      Constructor();
    } else {
      if (pos_ > 0 && Cur().line != tokens_[pos_ - 1].line) {
        Fail("ambiguous syntax (function call x new statement)");
        return;
      }
      Expect("(");
      if (!Check(")")) ExprList();
      Expect(")");
    }
  }

  void Constructor() {
    Expect("{");
    while (!failed_ && !Check("}")) {
      if (Cur().kind == TokenKind::Name && Ahead(1).kind == TokenKind::Symbol && Ahead(1).text == "=") {
        Next();
        Next();
        Expr();
      } else if (Accept("[")) {
        Expr();
        Expect("]");
        Expect("=");
        Expr();
      } else {
        Expr();
      }
      if (!Accept(",") && !Accept(";")) break;
    }
    Expect("}");
  }

  void SimpleExp() {
    const Token& t = Cur();
    if (t.kind == TokenKind::Number || t.kind == TokenKind::String) {
      Next();
    } else if (t.kind == TokenKind::Keyword && (t.text == "nil" || t.text == "true" || t.text == "false")) {
      Next();
    } else if (Check("...")) {
      if (!vararg_.back()) {
        Fail("cannot use '...' outside a vararg function");
        return;
      }
      Next();
    } else if (Check("{")) {
      Constructor();
    } else if (Check("function")) {
      Next();
      Body(false);
    } else {
      SuffixedExp();
    }
  }

  static bool IsBinary(const Token& t) {
    static const std::string_view kOps[] = {"+",  "-",  "*", "/",  "%",  "^",   "..", "==",
                                            "~=", "<",  "<=", ">", ">=", "and", "or"};
    if (t.kind != TokenKind::Symbol && t.kind != TokenKind::Keyword) return false;
    return std::find(std::begin(kOps), std::end(kOps), t.text) != std::end(kOps);
  }

  void Expr() {
    if (++depth_ > kMaxSyntaxLevels) {
      Fail("chunk has too many syntax levels");
      return;
    }
    if (Check("not") || Check("-") || Check("#")) {
      Next();
      Expr();
    } else {
      SimpleExp();
      while (!failed_ && IsBinary(Cur())) {
        Next();
        Expr();
      }
    }
    --depth_;
  }

  void ExprList() {
    Expr();
    while (!failed_ && Accept(",")) Expr();
  }

  // The core's own limit on nested blocks and expressions.
  static constexpr int kMaxSyntaxLevels = 200;

  const std::vector<Token>& tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
  int blockCount_ = 0;
  std::vector<int> blocks_;
  std::vector<size_t> marks_;
  std::vector<int> active_;
  std::vector<std::vector<size_t>> loopStacks_;
  std::vector<bool> vararg_;
};

class EditPlan {
 public:
  EditPlan(std::string_view source, const std::vector<Token>& tokens, const Parser& parser)
      : source_(source), tokens_(tokens), parser_(parser) {
    for (const Token& t : tokens) {
      if (t.kind == TokenKind::Name) names_.insert(std::string(t.text));
    }
  }

  std::string Build() {
    for (const Loop& loop : parser_.loops_) {
      if (!loop.continues.empty()) PlanLoop(loop);
    }
    std::stable_sort(edits_.begin(), edits_.end(),
                     [](const Edit& a, const Edit& b) { return a.offset < b.offset; });
    std::string out;
    out.reserve(source_.size() + edits_.size() * 16);
    size_t cursor = 0;
    for (const Edit& edit : edits_) {
      out.append(source_.substr(cursor, edit.offset - cursor));
      out += edit.text;
      cursor = edit.offset + edit.length;
    }
    out.append(source_.substr(cursor));
    return out;
  }

 private:
  std::string FreshName(std::string_view base) {
    while (true) {
      std::string name = "__";
      name += base;
      name += '_';
      name += std::to_string(counter_++);
      if (names_.insert(name).second) return name;
    }
  }

  void Replace(size_t token, std::string text) {
    edits_.push_back({tokens_[token].offset, tokens_[token].text.size(), std::move(text)});
  }
  void InsertAt(size_t offset, std::string text) { edits_.push_back({offset, 0, std::move(text)}); }

  void PlanLoop(const Loop& loop) {
    std::vector<std::string> declared;
    std::string flag;
    if (!loop.breaks.empty()) {
      flag = FreshName("break");
      declared.push_back(flag);
    }
    if (loop.isRepeat) HoistConditionLocals(loop, declared);

    std::string head = " ";
    if (!declared.empty()) {
      head += "local ";
      for (size_t i = 0; i < declared.size(); ++i) head += (i ? ", " : "") + declared[i];
      head += " ";
    }
    head += "repeat";
    const Token& open = tokens_[loop.openToken];
    InsertAt(open.offset + open.text.size(), head);
    InsertAt(tokens_[loop.closeToken].offset, flag.empty() ? "until true " : "until true if " + flag + " then break end ");
    for (size_t token : loop.continues) Replace(token, "do break end");
    for (size_t token : loop.breaks) Replace(token, flag + " = true break");
  }

  // The `until` condition sees the body's own locals. Those it reads are
  // declared ahead of the wrapper under fresh names, and their declarations
  // become assignments, so a `continue` that skips one leaves it nil.
  void HoistConditionLocals(const Loop& loop, std::vector<std::string>& declared) {
    std::set<int> wanted;
    for (const Ref& ref : parser_.refs_) {
      if (ref.token > loop.closeToken && ref.token < loop.condEnd &&
          parser_.vars_[ref.var].block == loop.bodyBlock) {
        wanted.insert(ref.var);
      }
    }
    if (wanted.empty()) return;
    std::vector<std::string> renamed(parser_.vars_.size());
    for (const LocalStatement& statement : parser_.locals_) {
      if (statement.block != loop.bodyBlock) continue;
      bool hoist = std::any_of(statement.vars.begin(), statement.vars.end(),
                               [&](int var) { return wanted.count(var) != 0; });
      if (!hoist) continue;
      for (size_t i = 0; i < statement.vars.size(); ++i) {
        std::string name = KeepsItsName(loop, statement, i) ? std::string(tokens_[statement.nameTokens[i]].text)
                                                            : FreshName(tokens_[statement.nameTokens[i]].text);
        renamed[statement.vars[i]] = name;
        declared.push_back(name);
      }
      Replace(statement.localToken, "");
      if (statement.functionToken != kNone) {
        Replace(statement.functionToken, "");
        Replace(statement.nameTokens[0], renamed[statement.vars[0]] + " = function");
        continue;
      }
      for (size_t i = 0; i < statement.vars.size(); ++i) {
        Replace(statement.nameTokens[i], renamed[statement.vars[i]]);
      }
      if (!statement.hasAssign) {
        const Token& last = tokens_[statement.nameTokens.back()];
        InsertAt(last.offset + last.text.size(), " = nil");
      }
    }
    for (const Ref& ref : parser_.refs_) {
      if (!renamed[ref.var].empty() && renamed[ref.var] != tokens_[ref.token].text) {
        Replace(ref.token, renamed[ref.var]);
      }
    }
  }

  // A hoisted local keeps its name, so error messages show it, when the
  // name appears nowhere else from the loop's start to the end of its
  // declaration: nothing there could mean another variable by it.
  bool KeepsItsName(const Loop& loop, const LocalStatement& statement, size_t i) const {
    std::string_view name = tokens_[statement.nameTokens[i]].text;
    for (size_t t = loop.openToken + 1; t <= statement.lastToken; ++t) {
      if (t != statement.nameTokens[i] && tokens_[t].kind == TokenKind::Name && tokens_[t].text == name) {
        return false;
      }
    }
    return true;
  }

  std::string_view source_;
  const std::vector<Token>& tokens_;
  const Parser& parser_;
  std::set<std::string> names_;
  std::vector<Edit> edits_;
  int counter_ = 1;
};

}  // namespace

ContinueRewrite ContinueRewriter::Rewrite(std::string_view source) {
  ContinueRewrite result;
  if (source.find("continue") == std::string_view::npos) return result;
  Detail::LexResult lexed = Detail::Tokenize(source);
  if (!lexed.ok) {
    result.status = ContinueRewrite::Status::Unparsed;
    result.line = lexed.errorLine;
    result.message = lexed.error;
    return result;
  }
  Parser parser(lexed.tokens);
  parser.Run();
  if (parser.failed_) {
    result.status = parser.noLoop_ ? ContinueRewrite::Status::NoLoop : ContinueRewrite::Status::Unparsed;
    result.line = parser.errorLine_;
    result.message = parser.error_;
    return result;
  }
  bool any = std::any_of(parser.loops_.begin(), parser.loops_.end(),
                         [](const Loop& loop) { return !loop.continues.empty(); });
  if (!any) return result;
  result.status = ContinueRewrite::Status::Rewritten;
  result.text = EditPlan(source, lexed.tokens, parser).Build();
  return result;
}

std::string ContinueRewriter::Neutralise(std::string_view source) {
  std::string out(source);
  Detail::LexResult lexed = Detail::Tokenize(source);
  const std::vector<Token>& tokens = lexed.tokens;
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.kind != TokenKind::Name || t.text != "continue" || !StartsContinue(tokens, i)) continue;
    bool afterStatement = true;
    if (i > 0) {
      const Token& prev = tokens[i - 1];
      static const std::string_view kEnds[] = {"do",  "then", "else", "repeat", "end", "break", "nil", "true",
                                               "false", ")",  "]",    "}",      ";",   "..."};
      afterStatement = prev.kind == TokenKind::Name || prev.kind == TokenKind::String ||
                       prev.kind == TokenKind::Number ||
                       std::find(std::begin(kEnds), std::end(kEnds), prev.text) != std::end(kEnds);
    }
    if (afterStatement) out.replace(t.offset, t.text.size(), t.text.size(), ' ');
  }
  return out;
}

}  // namespace OrvLua
