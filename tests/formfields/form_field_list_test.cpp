// The form-field list: insertion order and duplicates, the three renderings, parsing a form body,
// copies, and the replace_pairs helper behind JSON escaping.
#include "formfields/form_field_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Pairs = std::vector<std::pair<Text, Text>>;

FormFieldList list_of(const Pairs& pairs) {
  FormFieldList list;
  for (const auto& [name, value] : pairs) list.add(name, value);
  return list;
}

Pairs pairs_of(const FormFieldList& list) {
  TextArray names;
  TextArray values;
  list.names(names);
  list.values(values);
  Pairs pairs;
  for (int k = 1; k <= names.count(); ++k) pairs.emplace_back(names.element(k), values.element(k));
  EXPECT_EQ(names.count(), values.count());
  return pairs;
}

TEST(FormFieldList, DuplicateNamesActOnTheFirstEntry) {
  FormFieldList list = list_of({{"a", "1"}, {"a", "2"}});
  EXPECT_EQ(list.get("a"), "1");
  EXPECT_EQ(list.render_form_body(), "a=1&a=2");
  list.set("a", "3");
  EXPECT_EQ(list.render_form_body(), "a=3&a=2");
  list.remove("a");
  EXPECT_EQ(list.render_form_body(), "a=2");
  list.remove("missing");
  EXPECT_EQ(list.render_form_body(), "a=2");
}

TEST(FormFieldList, LookUpIsCaseSensitiveAndFindsEmptyNames) {
  const FormFieldList list = list_of({{"a", "1"}, {"", "empty name"}, {"", "second"}});
  EXPECT_EQ(list.get("A"), "");
  EXPECT_EQ(list.get(""), "empty name");
  EXPECT_EQ(list.get("b"), "");
}

TEST(FormFieldList, SetAppendsAnUnknownNameAndRemoveClosesTheGap) {
  FormFieldList list = list_of({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  list.set("d", "4");
  list.remove("b");
  EXPECT_EQ(pairs_of(list), (Pairs{{"a", "1"}, {"c", "3"}, {"d", "4"}}));
  list.clear();
  EXPECT_EQ(pairs_of(list), Pairs{});
  list.add("x", "y");
  EXPECT_EQ(list.render_form_body(), "x=y");
}

TEST(FormFieldList, AppendFormBody) {
  struct Case {
    Text body;
    Pairs appended;
  };
  const Case cases[] = {
      {"a=1&&b=2&", {{"a", "1"}, {"", ""}, {"b", "2"}}},
      {"k=v=w", {{"k", "w"}}},
      {"flag", {{"", ""}}},
      {"", {}},
      {"a=%41+b", {{"a", "%41+b"}}},
      {"&x=", {{"", ""}, {"x", ""}}},
      {"=v", {{"", "v"}}},
      {"名=值&b=中文", {{"名", "值"}, {"b", "中文"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    FormFieldList list = list_of({{"first", "0"}});
    list.append_form_body(c.body);
    Pairs expected{{"first", "0"}};
    expected.insert(expected.end(), c.appended.begin(), c.appended.end());
    EXPECT_EQ(pairs_of(list), expected);
  }
}

TEST(FormFieldList, RenderingsWithAndWithoutEncoding) {
  const FormFieldList spaced = list_of({{"a b", "c&d"}});
  EXPECT_EQ(spaced.render_form_body(), "a b=c&d");
  EXPECT_EQ(spaced.render_form_body(true), "a%20b=c%26d");

  const FormFieldList headers = list_of({{"User-Agent", "x"}, {"Accept", "*/*"}});
  EXPECT_EQ(headers.render_header_block(), "User-Agent: x\r\nAccept: */*");
  EXPECT_EQ(headers.render_header_block(true), "User-Agent: x\r\nAccept: %2A%2F%2A");
  // Only values are encoded in a header block.
  EXPECT_EQ(spaced.render_header_block(true), "a b: c%26d");

  const FormFieldList chinese = list_of({{"value", "中"}});
  EXPECT_EQ(chinese.render_form_body(true), "value=%D6%D0");

  const FormFieldList empty;
  EXPECT_EQ(empty.render_form_body(), "");
  EXPECT_EQ(empty.render_form_body(true), "");
  EXPECT_EQ(empty.render_header_block(), "");
  EXPECT_EQ(empty.render_json_object(), "{}");
}

TEST(FormFieldList, JsonObject) {
  struct Case {
    Pairs pairs;
    Text json;
  };
  const Case cases[] = {
      {{{"a", "1"}, {"b", "2"}}, R"({"a":"1","b":"2"})"},
      {{{"k", R"(say "hi")"}}, R"({"k":"say \"hi\""})"},
      {{{"k", R"(a\b)"}}, R"({"k":"a\b"})"},
      {{{"k", "line\r\nnext\t中"}}, "{\"k\":\"line\r\nnext\t中\"}"},
      {{{"", ""}}, R"({"":""})"},
      {{{"k", ","}}, R"({"k":","})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    EXPECT_EQ(list_of(c.pairs).render_json_object(), c.json);
  }
}

TEST(FormFieldList, StripAffixDropsOneCopyAtEachEndEndFirst) {
  struct Case {
    Text text;
    Text affix;
    Text stripped;
  };
  const Case cases[] = {
      {",a,", ",", "a"}, {",,", ",", ""},     {",", ",", ""},        {"a,,", ",", "a,"},
      {"abc", "", "abc"}, {"xyx", "xy", "x"}, {"xyxy", "xy", ""},   {"", ",", ""},
      {"ab", "abc", "ab"},
  };
  const FormFieldList list;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.affix);
    Text variable = c.text;
    EXPECT_EQ(list.strip_affix(variable, c.affix), c.stripped);
    EXPECT_EQ(variable, c.stripped);
  }
}

TEST(FormFieldList, AddToUtf8StoresUtf8Bytes) {
  FormFieldList list;
  list.add("中", "文", true);
  TextArray names;
  list.names(names);
  EXPECT_EQ(names, TextArray{"\xE4\xB8\xAD"});
  EXPECT_EQ(list.get("中"), "");
  EXPECT_EQ(list.get("\xE4\xB8\xAD"), "\xE6\x96\x87");

  list.append_form_body("名=值", true);
  EXPECT_EQ(list.get("\xE5\x90\x8D"), "\xE5\x80\xBC");
  // set never converts.
  list.set("\xE4\xB8\xAD", "文");
  EXPECT_EQ(list.get("\xE4\xB8\xAD"), "文");
}

TEST(FormFieldList, CopiesAreDeepAndHandedOutTextsIndependent) {
  FormFieldList original = list_of({{"a", "1"}});
  FormFieldList copy = original;
  copy.set("a", "2");
  copy.add("b", "3");
  EXPECT_EQ(original.render_form_body(), "a=1");
  EXPECT_EQ(copy.render_form_body(), "a=2&b=3");

  TextArray names{"stale", "entries"};
  original.names(names);
  EXPECT_EQ(names, TextArray{"a"});
  names.element(1) = "changed";
  EXPECT_EQ(original.get("a"), "1");

  original = copy;
  EXPECT_EQ(original.render_form_body(), "a=2&b=3");
}

TEST(ReplacePairs, AppliesThePairsInTurn) {
  struct Case {
    const char* what;
    Text text;
    ReplacePairs pairs;
    Text result;
  };
  const Case cases[] = {
      {"one pair", "a\"b\"", {.from1 = "\"", .to1 = "\\\""}, "a\\\"b\\\""},
      {"letter case ignored by default", "aAa", {.from1 = "a", .to1 = "x"}, "xxx"},
      {"case-sensitive", "aAa", {.case_sensitive = true, .from1 = "a", .to1 = "x"}, "xAx"},
      {"count per pair", "aaa", {.count = 1, .from1 = "a", .to1 = "b"}, "baa"},
      {"start", "aaa", {.start = 2, .from1 = "a", .to1 = "b"}, "abb"},
      {"a later pair sees an earlier result", "ab",
       {.from1 = "a", .to1 = "b", .from2 = "b", .to2 = "c"}, "cc"},
      {"all five pairs", "12345",
       {.from1 = "1", .to1 = "a", .from2 = "2", .to2 = "b", .from3 = "3", .to3 = "c",
        .from4 = "4", .to4 = "d", .from5 = "5", .to5 = "e"},
       "abcde"},
      {"empty from changes nothing", "abc", {.from1 = "", .to1 = "x"}, "abc"},
      {"no match inside a double-byte character", "\xB0\xA1" "A", {.from1 = "\xA1" "A", .to1 = "x"},
       "\xB0\xA1" "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(replace_pairs(c.text, c.pairs), c.result);
  }
}

}  // namespace
