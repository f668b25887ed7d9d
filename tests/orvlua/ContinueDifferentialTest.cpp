// Random nests of loops written twice: once with `continue`, once with the
// flags a programmer would use without it. Both must print the same.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "LuaTestSupport.h"

namespace {

struct Piece {
  std::string cont;   // with `continue`
  std::string flags;  // with flags
  bool mayJump = false;
};

struct Context {
  int loop = -1;  // innermost loop of the current function, -1 for none
  std::vector<std::string> vars;
  int depth = 0;
};

class ProgramWriter {
 public:
  // With continueAsBreak the flag version gets `continue` wrong on purpose:
  // the comparison must notice.
  ProgramWriter(unsigned seed, bool continueAsBreak = false) : rng_(seed), continueAsBreak_(continueAsBreak) {}

  Piece Program() {
    Context ctx;
    Piece body = Block(ctx, 5);
    const std::string head = "local out, fns = {}, {} local function emit(v) out[#out + 1] = tostring(v) end\n";
    const std::string tail = "\nfor _, f in ipairs(fns) do emit(f()) end return table.concat(out, ',')";
    return {head + body.cont + tail, head + body.flags + tail, false};
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  std::string Id() { return std::to_string(next_++); }

  std::string Value(const Context& ctx) {
    if (ctx.vars.empty() || Pick(4) == 0) return std::to_string(Pick(5));
    return ctx.vars[Pick(static_cast<int>(ctx.vars.size()))];
  }
  std::string Condition(const Context& ctx) {
    std::string v = Value(ctx);
    switch (Pick(3)) {
      case 0: return "(" + v + ") % 2 == 0";
      case 1: return "(" + v + ") > " + std::to_string(Pick(4));
      default: return "(" + v + ") == " + std::to_string(Pick(4));
    }
  }
  std::string Guard(const Context& ctx) {
    return "not (c" + std::to_string(ctx.loop) + " or b" + std::to_string(ctx.loop) + ")";
  }

  // Statements in order; in the flag version everything after a statement
  // that may jump runs only while no flag of the loop is set.
  // closes: the block's last statement is the last of a Lua block, where a
  // bare break may stand.
  Piece Block(Context ctx, int count, bool closes = true) {
    Piece out;
    int open = 0;
    for (int i = 0; i < count; ++i) {
      bool last = i == count - 1;
      Piece s = Statement(ctx, last && closes);
      out.cont += s.cont + "\n";
      out.flags += s.flags + "\n";
      if (s.mayJump) {
        out.mayJump = true;
        if (!last) {
          out.flags += "if " + Guard(ctx) + " then\n";
          ++open;
        }
      }
    }
    for (int i = 0; i < open; ++i) out.flags += "end\n";
    // After a last statement that may jump, the caller guards what follows.
    return out;
  }

  Piece Same(const std::string& text) { return {text, text, false}; }

  Piece Statement(Context& ctx, bool last) {
    bool inLoop = ctx.loop >= 0;
    bool nest = ctx.depth < 3;
    switch (Pick(15)) {
      case 0:
      case 1:
        return Same("emit('e" + Id() + ":' .. " + Value(ctx) + ")");
      case 2:
        if (inLoop) return Continue(ctx);
        return Same("emit('n')");
      case 3:
        if (inLoop && last && Pick(3) == 0) return {"break", "b" + std::to_string(ctx.loop) + " = true", true};
        if (inLoop && last) {
          std::string cond = Condition(ctx);
          return {"if " + cond + " then break end",
                  "if " + cond + " then b" + std::to_string(ctx.loop) + " = true end", true};
        }
        return Same("emit('m')");
      case 4:
        if (inLoop) {
          Piece c = Continue(ctx);
          std::string cond = Condition(ctx);
          return {"if " + cond + " then " + c.cont + " end", "if " + cond + " then " + c.flags + " end", true};
        }
        return Same("emit('o')");
      case 5: {
        if (!nest) return Same("emit('p')");
        std::string cond = Condition(ctx);
        Context inner = ctx;
        ++inner.depth;
        Piece a = Block(inner, 1 + Pick(3));
        Piece b = Block(inner, 1 + Pick(2));
        return {"if " + cond + " then\n" + a.cont + "else\n" + b.cont + "end",
                "if " + cond + " then\n" + a.flags + "else\n" + b.flags + "end", a.mayJump || b.mayJump};
      }
      case 6:
        return Same("fns[#fns + 1] = function() return 'f" + Id() + ":' .. " + Value(ctx) + " end");
      case 7: {
        if (!nest) return Same("emit('q')");
        std::string g = "g" + Id();
        Context inner;
        inner.depth = ctx.depth + 1;
        inner.vars = ctx.vars;
        Piece body = Block(inner, 2 + Pick(2));
        return {"local function " + g + "()\n" + body.cont + "end " + g + "()",
                "local function " + g + "()\n" + body.flags + "end " + g + "()", false};
      }
      case 8: {
        std::string name = "l" + Id();
        std::string text = "local " + name + " = " + Value(ctx) + " + 1";
        ctx.vars.push_back(name);
        return Same(text);
      }
      case 9: {
        if (!nest) return Same("emit('s')");
        Context inner = ctx;
        ++inner.depth;
        Piece body = Block(inner, 1 + Pick(3));
        return {"do\n" + body.cont + "end", "do\n" + body.flags + "end", body.mayJump};
      }
      default:
        if (!nest) return Same("emit('r')");
        return LoopStatement(ctx);
    }
  }

  Piece Continue(const Context& ctx) {
    std::string flag = (continueAsBreak_ ? "b" : "c") + std::to_string(ctx.loop);
    return {"continue", flag + " = true", true};
  }

  Piece LoopStatement(const Context& ctx) {
    int id = next_++;
    std::string n = std::to_string(id);
    Context inner = ctx;
    inner.loop = id;
    ++inner.depth;
    std::string flagsDecl = "local c" + n + ", b" + n + " = false, false\n";
    std::string leave = "if b" + n + " then break end\n";
    std::string k = std::to_string(2 + Pick(3));
    switch (Pick(4)) {
      case 0: {
        inner.vars.push_back("i" + n);
        Piece body = Block(inner, 2 + Pick(3));
        return {"for i" + n + " = 1, " + k + " do\n" + body.cont + "end",
                "for i" + n + " = 1, " + k + " do\n" + flagsDecl + body.flags + leave + "end", false};
      }
      case 1: {
        inner.vars.push_back("w" + n);
        Piece body = Block(inner, 2 + Pick(3));
        std::string head = "local w" + n + " = 0 while w" + n + " < " + k + " do w" + n + " = w" + n + " + 1\n";
        return {head + body.cont + "end", head + flagsDecl + body.flags + leave + "end", false};
      }
      case 2: {
        inner.vars.push_back("v" + n);
        Piece body = Block(inner, 2 + Pick(3));
        std::string head = "for _, v" + n + " in ipairs({3, 4, 5, 6}) do\n";
        return {head + body.cont + "end", head + flagsDecl + body.flags + leave + "end", false};
      }
      default: {
        // The body's own local x, declared midway, is read by `until`.
        inner.vars.push_back("r" + n);
        Piece before = Block(inner, 1 + Pick(2), false);
        std::string x = "x" + n;
        Context after = inner;
        after.vars.push_back(x);
        Piece rest = Block(after, 1 + Pick(3));
        std::string head = "local r" + n + " = 0 repeat r" + n + " = r" + n + " + 1\n";
        std::string until = "until r" + n + " >= " + k + " or (" + x + " or 0) > 7";
        std::string decl = "local " + x + " = r" + n + " * 3\n";
        std::string assign = x + " = r" + n + " * 3\n";
        std::string flagsBody = before.flags;
        std::string guardedRest = assign + rest.flags;
        if (before.mayJump) guardedRest = "if " + Guard(inner) + " then\n" + guardedRest + "end\n";
        return {head + before.cont + decl + rest.cont + until,
                head + "local c" + n + ", b" + n + ", " + x + " = false, false, nil\n" + flagsBody + guardedRest +
                    leave + until,
                false};
      }
    }
  }

  std::mt19937 rng_;
  bool continueAsBreak_;
  int next_ = 1;
};

int CountDifferences(int programs, bool continueAsBreak, bool report) {
  int differences = 0;
  for (int seed = 1; seed <= programs; ++seed) {
    Piece program = ProgramWriter(static_cast<unsigned>(seed), continueAsBreak).Program();
    OrvTest::TestState a;
    OrvTest::TestState b;
    std::string withContinue = a.Run(program.cont);
    std::string withFlags = b.Run(program.flags);
    if (report) {
      EXPECT_EQ(withFlags.rfind("error", 0), std::string::npos) << "seed " << seed << "\n" << program.flags;
    }
    if (withContinue != withFlags) {
      ++differences;
      if (report) {
        ADD_FAILURE() << "seed " << seed << "\n--- with continue:\n"
                      << program.cont << "\n=> " << withContinue << "\n--- with flags:\n"
                      << program.flags << "\n=> " << withFlags;
      }
    }
  }
  return differences;
}

TEST(ContinueDifferentialTest, MatchesTheFlagVersionOnRandomPrograms) {
  EXPECT_EQ(CountDifferences(400, false, true), 0);
}

TEST(ContinueDifferentialTest, NoticesAWrongReference) {
  // Treating continue as break in the reference must show up.
  EXPECT_GT(CountDifferences(100, true, false), 10);
}

}  // namespace
