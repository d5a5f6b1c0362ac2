// JsonDocument: parsing, path access, the backslash marker and engine sharing.
#include "json/json_document.h"

#include <gtest/gtest.h>

#include "platform/script_component.h"

namespace {

struct ThreadInitialised {
  ThreadInitialised() { platform::ole_initialize(); }
  ~ThreadInitialised() { platform::ole_uninitialize(); }
};

class JsonDocumentTest : public ::testing::Test {
 protected:
  ThreadInitialised initialised;
  JsonDocument doc;
};

TEST_F(JsonDocumentTest, ANewDocumentHoldsAnEmptyObject) {
  EXPECT_EQ(doc.to_json(), "{}");
  EXPECT_EQ(doc.get_type(), JSON_OBJECT);
  EXPECT_FALSE(object_is_empty(doc.get_engine()));
}

TEST_F(JsonDocumentTest, ParseEvaluatesTheTextAsOneScriptExpression) {
  const struct {
    const char* text;
    bool parsed;
    const char* json;
  } cases[] = {
      {"{\"a\":{\"b\":[1,{\"c\":null}]},\"s\":\"中文\"}", true,
       "{\"a\":{\"b\":[1,{\"c\":null}]},\"s\":\"中文\"}"},
      {"[1,2]", true, "[1,2]"},
      {"0", true, "0"},
      {"false", true, "false"},
      {"null", false, "null"},
      {"", false, ""},                          // eval() gives undefined
      {"\"1+1\"", true, "2"},                   // a string literal is evaluated a second time
      {"\"abc\"", false, "null"},               // ... and abc names nothing
      {"{\"a\":1};var b = 2", false, "null"},   // not one argument of eval
      {"{\"a\":", false, "null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(doc.parse(c.text), c.parsed);
    EXPECT_EQ(doc.to_json(), c.json);
  }
  EXPECT_EQ(doc.get_text("a"), "") << "reads after a failed parse give nothing";
}

TEST_F(JsonDocumentTest, ReadsMembersByPath) {
  ASSERT_TRUE(doc.parse(
      "[{\"name\":\"标准女声-通用场景-小云\",\"value\":\"Xiaoyun\",\"type\":\"aliyun\"},"
      "{\"name\":\"标准男声-通用场景-小刚\",\"value\":\"Xiaogang\",\"type\":\"aliyun\"}]"));
  EXPECT_EQ(doc.get_text("[0].name"), "标准女声-通用场景-小云");
  EXPECT_EQ(doc.get_text("[1].name"), "标准男声-通用场景-小刚");
  EXPECT_EQ(doc.get_text("[1].value"), "Xiaogang");
  EXPECT_EQ(doc.get_text("[2].name"), "");
  EXPECT_EQ(doc.get_length(), 2);
  EXPECT_EQ(doc.get_text("[0]"), "[object Object]");
  EXPECT_EQ(doc.get_text("", true), doc.to_json());

  for (const char* answer : {"{\"code\":0,\"data\":\"http://h/a.mp3\"}",
                             "{\"code\":\"0\",\"data\":\"http://h/a.mp3\"}"}) {
    SCOPED_TRACE(answer);
    ASSERT_TRUE(doc.parse(answer));
    EXPECT_EQ(doc.get_text("code"), "0");
    EXPECT_EQ(doc.get_text("data"), "http://h/a.mp3");
    EXPECT_EQ(doc.get_text("data", true), "\"http://h/a.mp3\"");
  }
}

TEST_F(JsonDocumentTest, ResolvePathTreatsAFailedEvaluationAsFalse) {
  ASSERT_TRUE(doc.parse("{\"data\":{\"x\":1},\"list\":[5]}"));
  const struct {
    const char* path;
    const char* resolved;
    bool exists;
  } cases[] = {
      {"data", "da.data", true},  // "data != null" names no script variable: it fails
      {"da.data", "da.data", true},
      {"da.x", "da.da.x", false},
      {"data.x", "da.data.x", true},
      {"[0]", "da[0]", false},
      {"list[0]", "da.list[0]", true},
      {"", "da", true},
      {"missing.deeper", "da.missing.deeper", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    Text path = c.path;
    EXPECT_EQ(doc.resolve_path(path), c.exists);
    EXPECT_EQ(path, c.resolved);
  }
  EXPECT_FALSE(doc.set_value("da.x", "1", true)) << "da.da is missing";
  EXPECT_TRUE(doc.set_value("x", "1", true));
  EXPECT_EQ(doc.get_number("x"), 1);
}

TEST_F(JsonDocumentTest, GetTypeGivesTheCodeOfTheValue) {
  ASSERT_TRUE(doc.parse(
      "{\"s\":\"t\",\"n\":1.5,\"b\":true,\"o\":{},\"a\":[],\"z\":null}"));
  ASSERT_TRUE(doc.set_expression("f", "function () {}"));
  ASSERT_TRUE(doc.set_expression("d", "new Date(0)"));
  const struct {
    const char* path;
    JsonValueType type;
  } cases[] = {{"s", JSON_STRING}, {"n", JSON_NUMBER},  {"b", JSON_BOOLEAN},
               {"o", JSON_OBJECT}, {"a", JSON_ARRAY},   {"z", JSON_NULL},
               {"gone", JSON_NULL}, {"gone.x", JSON_OTHER}, {"f", JSON_OTHER},
               {"d", JSON_OTHER}, {"", JSON_OBJECT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(doc.get_type(c.path), c.type);
  }
}

TEST_F(JsonDocumentTest, TextValuesRoundTripAndBackslashesReachTheJsonUnescaped) {
  const Text awkward = "it's \"quoted\" C:\\dir\r\nnext 中文\\";
  ASSERT_TRUE(doc.set_value("t", awkward));
  EXPECT_EQ(doc.get_text("t"), awkward);
  EXPECT_EQ(doc.to_json(), "{\"t\":\"it's \\\"quoted\\\" C:\\dir\\r\\nnext 中文\\\"}");

  // A backslash written into a text value reaches the JSON as itself, so an escape sequence
  // written there is read as that escape by the next parser.
  ASSERT_TRUE(doc.set_value("t", "\\u4e2d"));
  EXPECT_EQ(doc.get_json("t"), "\"\\u4e2d\"");
  JsonDocument reparsed;
  ASSERT_TRUE(reparsed.parse(doc.to_json()));
  EXPECT_EQ(reparsed.get_text("t"), "中");

  // Backslashes that came in through parse are ordinary characters and are escaped as usual.
  ASSERT_TRUE(doc.parse("{\"p\":\"C:\\\\dir\"}"));
  EXPECT_EQ(doc.get_text("p"), "C:\\dir");
  EXPECT_EQ(doc.to_json(), "{\"p\":\"C:\\\\dir\"}");
}

TEST_F(JsonDocumentTest, MemberNamesLeaveOutTheLibrarysPrototypeHelpers) {
  ASSERT_TRUE(doc.parse("{\"b\":1,\"a\":{\"x\":[]},\"2\":null,\"s\":\"t\",\"e\":{},\"l\":[1]}"));
  TextArray names{"stale"};
  EXPECT_EQ(doc.get_member_names(names), 6);
  EXPECT_EQ(names, (TextArray{"2", "b", "a", "s", "e", "l"}));
  EXPECT_EQ(doc.get_member_names(names, "a"), 1);
  EXPECT_EQ(names, TextArray{"x"});
  for (const char* not_an_object_with_members : {"e", "l", "s", "a.x", "gone"}) {
    SCOPED_TRACE(not_an_object_with_members);
    EXPECT_EQ(doc.get_member_names(names, not_an_object_with_members), 0);
    EXPECT_EQ(names.count(), 0);
  }
}

TEST_F(JsonDocumentTest, ModifyingOperationsChangeTheMember) {
  ASSERT_TRUE(doc.parse("{\"n\":7,\"l\":[\"a\",\"b\",\"c\"],\"o\":{\"k\":\"v\",\"m\":{\"x\":1}}}"));

  EXPECT_TRUE(doc.push_value("8", "n", true));
  EXPECT_EQ(doc.get_json("n"), "[8]") << "a number member becomes a one-element array";
  EXPECT_TRUE(doc.push_value("it's\\u0021", "new"));
  EXPECT_EQ(doc.get_json("new"), "[\"it's!\"]");

  EXPECT_TRUE(doc.remove_element(0, "l"));
  EXPECT_EQ(doc.get_json("l"), "[\"b\",\"c\"]");
  EXPECT_TRUE(doc.set_element(1, "l", "{\"z\":true}", true));
  EXPECT_TRUE(doc.set_element(2, "l", "d"));
  EXPECT_EQ(doc.get_json("l"), "[\"b\",{\"z\":true},\"d\"]");
  EXPECT_EQ(doc.get_element_text(0, "l"), "b");
  EXPECT_EQ(doc.get_element_text(1, "l"), "") << "plain form reads strings only";
  EXPECT_EQ(doc.get_element_text(1, "l", true), "{\"z\":true}");

  EXPECT_TRUE(doc.set_value("o", "{\"k\":\"w\",\"m\":{\"y\":2},\"added\":[1]}", true));
  EXPECT_EQ(doc.get_json("o"), "{\"k\":\"w\",\"m\":{\"x\":1,\"y\":2},\"added\":[1]}");
  doc.set_value("o", "", true);
  EXPECT_EQ(doc.get_json("o"), "{\"k\":\"w\",\"m\":{\"x\":1,\"y\":2},\"added\":[1]}");
  EXPECT_TRUE(doc.set_value("fresh", "", true));
  EXPECT_EQ(doc.get_json("fresh"), "{}");
  EXPECT_FALSE(doc.set_value("o", "{not script", true));

  EXPECT_TRUE(doc.set_number("num", 2.5));
  EXPECT_EQ(doc.get_number("num"), 2.5);
  EXPECT_FALSE(doc.set_number("num", 0)) << "the statement's value 0 counts as false";
  EXPECT_TRUE(doc.remove_member("num"));
  EXPECT_EQ(doc.get_type("num"), JSON_NULL);
  EXPECT_FALSE(doc.set_value("gone.deeper", "x")) << "a path through a missing member";

  EXPECT_TRUE(doc.clear());
  EXPECT_EQ(doc.to_json(), "{}");
}

TEST_F(JsonDocumentTest, ObjectsAreCopiedIntoDocumentsOfTheirOwn) {
  ASSERT_TRUE(doc.parse("{\"o\":{\"k\":[1,2]},\"l\":[{\"e\":\"f\"}]}"));
  JsonDocument member = doc.get_object("o");
  EXPECT_EQ(member.to_json(), doc.get_json("o"));
  member.set_value("k", "changed");
  EXPECT_EQ(doc.get_json("o"), "{\"k\":[1,2]}");

  EXPECT_EQ(doc.get_element_object(0, "l").get_text("e"), "f");
  JsonDocument missing = doc.get_object("gone");
  EXPECT_EQ(missing.get_type(), JSON_NULL);
  EXPECT_EQ(missing.to_json(), "");
}

TEST_F(JsonDocumentTest, CopiesShareTheEngineUntilOneParsesAndBalanceTheThreadCount) {
  const int count = platform::initialisation_count();
  {
    JsonDocument copy(doc);
    ASSERT_TRUE(copy.set_value("shared", "yes"));
    EXPECT_EQ(doc.get_text("shared"), "yes");
    JsonDocument assigned;
    assigned = copy;
    EXPECT_EQ(assigned.get_text("shared"), "yes");
    ASSERT_TRUE(copy.parse("{\"own\":1}"));
    EXPECT_EQ(doc.to_json(), "{\"shared\":\"yes\"}");
    EXPECT_EQ(assigned.to_json(), "{\"shared\":\"yes\"}");
    EXPECT_GT(platform::initialisation_count(), count);
  }
  EXPECT_EQ(platform::initialisation_count(), count);
}

TEST_F(JsonDocumentTest, EveryParseStartsFromAnEngineWithNothingLeftOver) {
  const auto leftover = [](const JsonDocument& document) {
    return object_call_text(document.get_engine(), "Eval", {"typeof leak"});
  };
  {
    AutomationObject engine = doc.get_engine();
    object_call(engine, "Eval", {"var leak = 1"});
  }
  ASSERT_TRUE(doc.parse("{}"));
  EXPECT_EQ(leftover(doc), "undefined");

  ASSERT_TRUE(doc.set_expression("x", "leak = 2"));
  ASSERT_TRUE(doc.parse("{}"));
  EXPECT_EQ(leftover(doc), "undefined");
}

TEST_F(JsonDocumentTest, WithoutAnEngineEveryOperationFailsQuietly) {
  platform::register_component(platform::SCRIPT_CONTROL_PROG_ID, "", [] { return nullptr; });
  JsonDocument broken;
  platform::register_component(platform::SCRIPT_CONTROL_PROG_ID, platform::SCRIPT_CONTROL_CLASS_ID,
                               platform::make_script_control);
  EXPECT_TRUE(object_is_empty(broken.get_engine()));
  EXPECT_FALSE(broken.parse("{\"a\":1}"));
  EXPECT_TRUE(object_is_empty(broken.get_engine())) << "creation is not retried";
  EXPECT_EQ(broken.to_json(), "");
  EXPECT_EQ(broken.get_type("a"), JSON_OTHER);
  EXPECT_FALSE(broken.set_value("a", "1"));
  EXPECT_EQ(broken.get_number("a"), 0);
}

}  // namespace
