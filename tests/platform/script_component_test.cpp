// The script component through its member table, as late-bound callers reach it.
#include "platform/script_component.h"

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <optional>
#include <string>

namespace platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ScriptControl {
 public:
  ScriptControl() : object_(create_object("MSScriptControl.ScriptControl")) {}

  bool exists() const { return object_ != nullptr; }
  bool set(std::string_view property, Value value) {
    return invoke(property, InvokeKind::property_put, {std::move(value)}, nullptr);
  }
  Value get(std::string_view property) {
    Value result;
    invoke(property, InvokeKind::property_get, {}, &result);
    return result;
  }
  bool add_code(std::u16string_view code) {
    return invoke("AddCode", InvokeKind::method, {text(code)}, nullptr);
  }
  // nullopt when the call fails.
  std::optional<Value> eval(std::u16string_view expression) {
    Value result;
    if (!invoke("Eval", InvokeKind::method, {text(expression)}, &result)) return std::nullopt;
    return result;
  }
  std::u16string eval_string(std::u16string_view expression) {
    const std::optional<Value> result = eval(expression);
    return result && result->type == ValueType::string ? result->string : u"<not a string>";
  }
  bool reset() { return invoke("Reset", InvokeKind::method, {}, nullptr); }

  static Value text(std::u16string_view s) { return Value::make_string(std::u16string(s)); }

 private:
  bool invoke(std::string_view name, InvokeKind kind, std::initializer_list<Value> args,
              Value* result) {
    const Member* member = find_member(*object_, name, kind);
    if (member == nullptr) return false;
    const std::vector<Value> values(args);
    Value ignored;
    return member->invoke(*object_, values, result ? *result : ignored);
  }

  ObjectRef object_;
};

struct ThreadInitialised {
  ThreadInitialised() { ole_initialize(); }
  ~ThreadInitialised() { ole_uninitialize(); }
};

class ScriptComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine.exists());
    ASSERT_TRUE(engine.set("Language", ScriptControl::text(u"JavaScript")));
  }

  ThreadInitialised initialised;
  ScriptControl engine;
};

TEST_F(ScriptComponentTest, LanguageAcceptsTheJavaScriptNamesInAnyLetterCaseOnly) {
  const struct {
    std::u16string_view name;
    bool accepted;
  } cases[] = {{u"JavaScript", true}, {u"jscript", true},   {u"JSCRIPT", true},
               {u"javascript", true}, {u"VBScript", false}, {u"Java Script", false},
               {u"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
    ScriptControl control;
    EXPECT_EQ(control.set("Language", ScriptControl::text(c.name)), c.accepted);
    EXPECT_EQ(control.eval(u"1").has_value(), c.accepted) << "code runs only once chosen";
  }
  EXPECT_TRUE(engine.set("Language", ScriptControl::text(u"JScript")));
  EXPECT_FALSE(engine.set("Language", ScriptControl::text(u"VBScript")));
  EXPECT_EQ(engine.get("Language").string, u"JScript");
}

TEST_F(ScriptComponentTest, DeclarationsAndAssignmentsStayGlobalInThisInstanceOnly) {
  ASSERT_TRUE(engine.add_code(u"var base = 40; function add(n) { return base + n; }"));
  ASSERT_TRUE(engine.eval(u"var declared = add(1)"));
  ASSERT_TRUE(engine.eval(u"assigned = declared + 1; function later() { return assigned; }"));
  EXPECT_EQ(engine.eval(u"declared")->int32, 41);
  EXPECT_EQ(engine.eval(u"later()")->int32, 42);
  EXPECT_EQ(engine.eval_string(u"typeof this.declared"), u"number") << "a global binding";

  ScriptControl other;
  ASSERT_TRUE(other.set("Language", ScriptControl::text(u"JavaScript")));
  EXPECT_EQ(other.eval_string(u"typeof base + typeof declared + typeof later"),
            u"undefinedundefinedundefined");

  EXPECT_TRUE(engine.reset());
  EXPECT_EQ(engine.eval_string(u"typeof base"), u"undefined");
  EXPECT_EQ(engine.get("Language").string, u"JavaScript");
}

TEST_F(ScriptComponentTest, EvalGivesTheCompletionValueAsAValueOfItsKind) {
  const struct {
    std::u16string_view script;
    ValueType type;
    std::u16string_view text;  // the string, or the number as the host writes it
  } cases[] = {
      {u"6 * 7", ValueType::int32, u"42"},
      {u"1.5", ValueType::real, u"1.5"},
      {u"-0", ValueType::int32, u"0"},
      {u"Math.pow(2, 31)", ValueType::real, u"2147483648"},
      {u"'a' + 'b'", ValueType::string, u"ab"},
      {u"1 < 2", ValueType::boolean, u"True"},
      {u"null", ValueType::null, u""},
      {u"undefined", ValueType::empty, u""},
      {u"var unset", ValueType::empty, u""},
      {u"if (true) { 'then' } else { 'else' }", ValueType::string, u"then"},
      {u"var i = 0; while (i < 3) { i++ }", ValueType::int32, u"2"},
      {u"({a: 1})", ValueType::string, u"[object Object]"},
      {u"[1, [2, 3]]", ValueType::string, u"1,2,3"},
      {u"({toString: function () { return 'mine'; }})", ValueType::string, u"mine"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.script.begin(), c.script.end()));
    const std::optional<Value> result = engine.eval(c.script);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->type, c.type);
    if (c.type != ValueType::null) {
      EXPECT_EQ(change_type(*result, ValueType::string)->string, c.text);
    }
  }
}

TEST_F(ScriptComponentTest, ScriptErrorsFailTheCallAndLeaveTheEngineAsItWas) {
  ASSERT_TRUE(engine.add_code(u"var kept = 1"));
  for (std::u16string_view bad :
       {u"throw new Error('x')", u"((", u"missing_name + 1", u"null.member", u"kept++; throw 0"}) {
    SCOPED_TRACE(std::string(bad.begin(), bad.end()));
    EXPECT_FALSE(engine.eval(bad).has_value());
    EXPECT_FALSE(engine.add_code(bad));
  }
  EXPECT_EQ(engine.eval(u"kept")->int32, 3) << "changes made before the error stay";

  // Values without an automation form fail Eval only; AddCode discards the value.
  for (std::u16string_view no_value : {u"({toString: function () { throw 1; }})", u"Symbol('s')"}) {
    SCOPED_TRACE(std::string(no_value.begin(), no_value.end()));
    EXPECT_FALSE(engine.eval(no_value).has_value());
    EXPECT_TRUE(engine.add_code(no_value));
  }
}

TEST_F(ScriptComponentTest, StringsCrossExactlyOutsideTheBmpAndAsLoneSurrogates) {
  std::u16string text = u"中\U0001F600\"\\\n_x";
  text[text.size() - 2] = 0xD800;  // a lone surrogate, which no literal can hold
  ASSERT_TRUE(engine.add_code(u"var s = '中\U0001F600\"\\\\\\n' + String.fromCharCode(0xD800) + 'x'"));
  EXPECT_EQ(engine.eval_string(u"s"), text);
  EXPECT_EQ(engine.eval(u"s.length")->int32, 8) << "the pair counts as two code units";
  EXPECT_EQ(engine.eval(u"s.charCodeAt(1)")->int32, 0xD83D);
  EXPECT_EQ(engine.eval(u"s.charCodeAt(2)")->int32, 0xDE00);
  EXPECT_EQ(engine.eval_string(u"'\U0001F600'.split('').reverse().join('')"),
            (std::u16string{0xDE00, 0xD83D}));
}

TEST_F(ScriptComponentTest, ScriptsReachNothingOfTheHost) {
  EXPECT_EQ(engine.eval_string(u"typeof Duktape + typeof print + typeof alert + typeof require"),
            u"undefinedundefinedundefinedundefined");
}

TEST_F(ScriptComponentTest, EndlessScriptsStopAtTheTimeLimitAndTheEngineStaysUsable) {
  EXPECT_EQ(engine.get("Timeout").int32, 2000);
  for (std::u16string_view endless : {u"for (;;) {}", u"try { for (;;) {} } finally { for (;;) {} }",
                                      u"(function f() { try { f(); } catch (e) {} for (;;) {} })()"}) {
    SCOPED_TRACE(std::string(endless.begin(), endless.end()));
    const auto start = Clock::now();
    EXPECT_FALSE(engine.eval(endless).has_value());
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 1900ms);
    EXPECT_LT(took, 6s) << "the limit is 2 s; the rest is slack for a busy machine";
    EXPECT_EQ(engine.eval(u"1 + 1")->int32, 2);
  }

  EXPECT_FALSE(engine.set("Timeout", Value::make_int(0)));
  ASSERT_TRUE(engine.set("Timeout", Value::make_int(100)));
  EXPECT_EQ(engine.get("Timeout").int32, 100);
  const auto start = Clock::now();
  EXPECT_FALSE(engine.add_code(u"while (true) {}"));
  EXPECT_LT(Clock::now() - start, 1500ms);
  EXPECT_TRUE(engine.reset());
  EXPECT_EQ(engine.get("Timeout").int32, 100) << "Reset keeps the limit";
}

TEST_F(ScriptComponentTest, RunawayAllocationFailsAtTheMemoryCapAndTheEngineStaysUsable) {
  ASSERT_TRUE(engine.set("Timeout", Value::make_int(60000)));  // so that only the cap can stop it
  ASSERT_TRUE(engine.add_code(u"var kept = 'still here'"));
  for (std::u16string_view runaway :
       {u"(function () { var a = []; for (;;) a.push(new Uint8Array(1 << 20)); })()",
        u"(function () { var s = 'x'; for (;;) s = s + s; })()"}) {
    SCOPED_TRACE(std::string(runaway.begin(), runaway.end()));
    const auto start = Clock::now();
    EXPECT_FALSE(engine.eval(runaway).has_value());
    EXPECT_LT(Clock::now() - start, 30s);
    EXPECT_EQ(engine.eval_string(u"kept"), u"still here");
    EXPECT_EQ(engine.eval(u"new Uint8Array(100 << 20).length")->int32, 100 << 20)
        << "the memory of the failed call was given back";
  }
}

TEST_F(ScriptComponentTest, ALibraryAddedToManyEnginesWorksTheSameInEach) {
  // Long enough to be compiled once and then loaded as bytecode into later engines.
  const std::u16string library = u"var counter = 0; function next() { return ++counter; }"
                                 u"function greet(name) { return '你好, ' + name; } /*" +
                                 std::u16string(400, u'.') + u"*/";
  for (int round = 1; round <= 4; ++round) {
    SCOPED_TRACE(round);
    ScriptControl control;
    ASSERT_TRUE(control.set("Language", ScriptControl::text(u"JavaScript")));
    ASSERT_TRUE(control.add_code(library));
    EXPECT_EQ(control.eval(u"next(); next()")->int32, 2);
    EXPECT_EQ(control.eval_string(u"greet('\U0001F600')"), u"你好, \U0001F600");
    EXPECT_EQ(control.eval(u"delete counter")->boolean, false) << "a declared global";
  }
}

}  // namespace
}  // namespace platform
