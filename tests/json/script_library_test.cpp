// The script library: its helpers, and its JSON support in an engine that has no JSON of its own.
#include "json/script_library.h"

#include <gtest/gtest.h>

#include "runtime/automation.h"

namespace {

struct ThreadInitialised {
  ThreadInitialised() { platform::ole_initialize(); }
  ~ThreadInitialised() { platform::ole_uninitialize(); }
};

class ScriptLibraryTest : public ::testing::Test {
 protected:
  // An engine with the library; `before` runs first (to take away the engine's own JSON).
  void load(std::string_view before = {}) {
    object_clear(engine);
    ASSERT_TRUE(object_create(engine, "MSScriptControl.ScriptControl"));
    ASSERT_TRUE(object_set(engine, "Language", {"JavaScript"}));
    if (!before.empty()) {
      ASSERT_TRUE(object_call_bool(engine, "Eval", {Text(before) + "; true"}));
    }
    ASSERT_TRUE(object_call_bool(engine, "Eval", {"typeof get__count == 'undefined'"}));
    object_call(engine, "AddCode", {script_library()});
    ASSERT_TRUE(object_call_bool(engine, "Eval", {"typeof get__count == 'function'"}));
  }
  void SetUp() override { load(); }

  Text eval(std::string_view script) { return object_call_text(engine, "Eval", {script}); }

  ThreadInitialised initialised;
  AutomationObject engine;
};

// Removes the engine's own JSON and date serialisation, so that the library installs its own.
constexpr std::string_view WITHOUT_NATIVE_JSON = "delete JSON; delete Date.prototype.toJSON";

TEST_F(ScriptLibraryTest, GetCountGivesTheLengthOfArraysOnly) {
  const struct {
    const char* argument;
    const char* count;
  } cases[] = {{"[1, 2, 3]", "3"}, {"[]", "0"}, {"{length: 5}", "0"}, {"'abc'", "0"},
               {"null", "0"},      {"undefined", "0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(eval(Text("get__count(") + c.argument + ")"), c.count);
  }
}

TEST_F(ScriptLibraryTest, GetNameAllListsPlainObjectMembersWithoutFunctions) {
  const struct {
    const char* argument;
    const char* names;
  } cases[] = {
      {"{b: 1, a: null, 7: 'x', f: function () {}, o: {}}", "7\r\nb\r\na\r\no"},
      {"{}", ""},
      {"[1, 2]", ""},
      {"'text'", ""},
      {"null", ""},
      {"42", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(eval(Text("get__name_All(") + c.argument + ")"), c.names);
  }
  EXPECT_EQ(eval("var seen = []; for (var k in {}) seen.push(k); seen.join()"),
            "toJSONString,parseJSON")
      << "the helpers the library adds to every object are enumerable, hence the function test";
}

TEST_F(ScriptLibraryTest, GetExtendMergesSourceIntoTarget) {
  const struct {
    const char* target;
    const char* source;
    const char* merged;
  } cases[] = {
      {"[1, 2]", "[3, [4]]", "[1,2,3,[4]]"},
      {"[1]", "{length: 1, 0: 'x'}", "[1,\"x\"]"},
      {"[1]", "{a: 1}", "[1]"},
      {"{a: 1, s: 'old', b: false}", "{s: 'new', b: true, c: [1]}",
       "{\"a\":1,\"s\":\"new\",\"b\":true,\"c\":[1]}"},
      {"{o: {x: 1, l: [1]}}", "{o: {y: 2, l: [2]}}", "{\"o\":{\"x\":1,\"l\":[1,2],\"y\":2}}"},
      {"{n: 1}", "{n: 2}", "{\"n\":2}"},
      {"{o: {x: 1}}", "{o: 5}", "{\"o\":{\"x\":1}}"},
      {"7", "{a: 1}", "7"},
      {"true", "{a: 1}", "true"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.target) + " + " + c.source);
    EXPECT_EQ(eval(Text("JSON.stringify(get__extend(") + c.target + ", " + c.source + "))"),
              c.merged);
  }
  // A null member meeting an object raises an error; what was merged before it stays.
  EXPECT_EQ(eval("var t = {a: 1, z: null}; get__extend(t, {a: 2, z: {q: 1}})"), "");
  EXPECT_EQ(eval("JSON.stringify(t)"), "{\"a\":2,\"z\":null}");
}

TEST_F(ScriptLibraryTest, KeepsAnEnginesOwnJsonAndInstallsItsOwnOnlyWhereMissing) {
  EXPECT_EQ(eval("JSON.stringify(new Date(Date.UTC(2001, 1, 3, 4, 5, 6)))"),
            "\"2001-02-03T04:05:06.000Z\"")
      << "the engine's own date form";
  EXPECT_EQ(eval("typeof String.prototype.toJSON"), "undefined");

  load(WITHOUT_NATIVE_JSON);
  EXPECT_EQ(eval("typeof JSON.stringify + typeof JSON.parse + typeof String.prototype.toJSON"),
            "functionfunctionfunction");
  EXPECT_EQ(eval("JSON.stringify(new Date(Date.UTC(2001, 1, 3, 4, 5, 6)))"),
            "\"2001-02-03T04:05:06Z\"");
}

class LibraryJsonTest : public ScriptLibraryTest {
 protected:
  void SetUp() override { load(WITHOUT_NATIVE_JSON); }
};

TEST_F(LibraryJsonTest, StringifyEscapesExactlyTheListedCharacters) {
  // Every UTF-16 code unit through the library's JSON.stringify: the ones written as escapes,
  // as ranges, and any whose form is wrong. Slow builds need more than the default 2 s.
  ASSERT_TRUE(object_set(engine, "Timeout", {30000}));
  const Text result = eval(
      "var escaped = [], wrong = [], start = -1;"
      "var named = {34: '\\\\\"', 92: '\\\\\\\\', 8: '\\\\b', 9: '\\\\t', 10: '\\\\n',"
      "             12: '\\\\f', 13: '\\\\r'};"
      "for (var c = 0; c <= 65536; c++) {"
      "  var s = c < 65536 ? JSON.stringify(String.fromCharCode(c)) : '';"
      "  var plain = c == 65536 || s === '\"' + String.fromCharCode(c) + '\"';"
      "  var hex = '\\\\u' + ('000' + c.toString(16)).slice(-4);"
      "  if (!plain && s !== '\"' + (named[c] || hex) + '\"') wrong.push(c);"
      "  if (!plain && start < 0) start = c;"
      "  if (plain && start >= 0) { escaped.push(start == c - 1 ? start : start + '-' + (c - 1));"
      "                              start = -1; }"
      "}"
      "escaped.join() + ' wrong:' + wrong.join()");
  EXPECT_EQ(result,
            "0-31,34,92,127-159,173,1536-1540,1807,6068-6069,8204-8207,8232-8239,8288-8303,"
            "65279,65520-65535 wrong:");
  EXPECT_EQ(eval("JSON.stringify({v: 'a\\tb\\u2028'})"), "{\"v\":\"a\\tb\\u2028\"}");
  EXPECT_EQ(eval("var text = '中' + String.fromCharCode(9216); JSON.stringify(text) == '\"' + text + '\"'"),
            "True")
      << "Chinese text and the backslash marker as they are";
}

TEST_F(LibraryJsonTest, StringifyWritesValuesCompactly) {
  const struct {
    const char* value;
    const char* json;
  } cases[] = {
      {"{a: [1, [2, []], {}], b: {c: {d: 'e'}}}", "{\"a\":[1,[2,[]],{}],\"b\":{\"c\":{\"d\":\"e\"}}}"},
      {"[undefined, function () {}, NaN, -Infinity, null, true]", "[null,null,null,null,null,true]"},
      {"{u: undefined, f: function () {}, n: 1.5e-7, 9: 0}", "{\"9\":0,\"n\":1.5e-7}"},
      {"{d: new Date(NaN), s: new String('w'), x: new Number(2), b: new Boolean(false)}",
       "{\"d\":null,\"s\":\"w\",\"x\":2,\"b\":false}"},
      {"Object.create({inherited: 1})", "{}"},
      {"{toJSON: function (key) { return 'own ' + key; }}", "\"own \""},
      {"'text'", "\"text\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(eval(Text("JSON.stringify(") + c.value + ")"), c.json);
  }
  EXPECT_EQ(eval("typeof JSON.stringify(undefined) + typeof JSON.stringify(function () {})"),
            "undefinedundefined");
}

TEST_F(LibraryJsonTest, StringifyTakesReplacerAndSpace) {
  EXPECT_EQ(eval("JSON.stringify({a: [1, {}], b: {}}, null, 2)"),
            "{\n  \"a\": [\n    1,\n    {}\n  ],\n  \"b\": {}\n}");
  EXPECT_EQ(eval("JSON.stringify([1], null, '--')"), "[\n--1\n]");
  EXPECT_EQ(eval("JSON.stringify({a: 1, b: 2, c: 3}, ['c', 'a'])"), "{\"c\":3,\"a\":1}");
  EXPECT_EQ(eval("JSON.stringify({a: 1, b: 'x'}, function (k, v) {"
                 "  return typeof v === 'number' ? v * 10 : v; })"),
            "{\"a\":10,\"b\":\"x\"}");
  EXPECT_EQ(eval("try { JSON.stringify(1, 5) } catch (e) { e.message }"), "JSON.stringify");
}

TEST_F(LibraryJsonTest, ParseAcceptsJsonTokensOnly) {
  EXPECT_EQ(eval("JSON.stringify(JSON.parse(' {\"a\": [1, -2.5e3, true, null, \"\\\\u4e2d\\\\n\"]} '))"),
            "{\"a\":[1,-2500,true,null,\"中\\n\"]}");
  EXPECT_EQ(eval("JSON.stringify(JSON.parse('{\"a\":1,\"b\":[2]}', function (k, v) {"
                 "  return k === 'a' ? undefined : v; }))"),
            "{\"b\":[2]}");
  for (const char* bad : {"{a: 1}", "[1,]x", "alert(1)", "", "\"open"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(eval(Text("try { JSON.parse('") + bad + "'); 'parsed' } catch (e) { e.name + ' ' + e.message }"),
              "SyntaxError JSON.parse");
  }
  EXPECT_EQ(eval("'[1,2]'.parseJSON().length"), "2");
  EXPECT_EQ(eval("({a: 'b'}).toJSONString()"), "{\"a\":\"b\"}");
}

}  // namespace
