// The stream component through its member table, as late-bound callers reach it.
#include "platform/stream_component.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ole_initialize();
    stream = create_object("ADODB.Stream");
    ASSERT_NE(stream, nullptr);
  }
  void TearDown() override { ole_uninitialize(); }

  bool invoke(std::string_view name, InvokeKind kind, std::initializer_list<Value> args,
              Value* result = nullptr) {
    const Member* member = find_member(*stream, name, kind);
    if (member == nullptr) return false;
    const std::vector<Value> values(args);
    Value ignored;
    return member->invoke(*stream, values, result ? *result : ignored);
  }
  bool call(std::string_view name, std::initializer_list<Value> args = {},
            Value* result = nullptr) {
    return invoke(name, InvokeKind::method, args, result);
  }
  bool set(std::string_view property, Value value) {
    return invoke(property, InvokeKind::property_put, {std::move(value)});
  }
  Value get(std::string_view property) {
    Value result;
    invoke(property, InvokeKind::property_get, {}, &result);
    return result;
  }
  bool set_charset(std::u16string_view name) {
    return set("Charset", Value::make_string(std::u16string(name)));
  }

  // Opens the stream holding `bytes`, in text mode under `charset`, at position 0.
  void open_with(const Bytes& bytes, std::u16string_view charset) {
    ASSERT_TRUE(set("Type", Value::make_int(1)));
    ASSERT_TRUE(call("Open"));
    ASSERT_TRUE(call("Write", {Value::make_bytes(bytes)}));
    ASSERT_TRUE(set("Position", Value::make_int(0)));
    ASSERT_TRUE(set("Type", Value::make_int(2)));
    ASSERT_TRUE(set_charset(charset));
  }
  Bytes read_all_bytes() {
    EXPECT_TRUE(set("Position", Value::make_int(0)));
    EXPECT_TRUE(set("Type", Value::make_int(1)));
    Value bytes;
    EXPECT_TRUE(call("Read", {}, &bytes));
    return bytes.bytes;
  }

  ObjectRef stream;
};

TEST_F(StreamTest, BinaryWritesOverwriteAndExtendAndReadsFollowThePosition) {
  ASSERT_TRUE(set("Type", Value::make_int(1)));
  ASSERT_TRUE(call("Open"));
  ASSERT_TRUE(call("Write", {Value::make_bytes({1, 2, 3, 4})}));
  EXPECT_EQ(get("Size").int32, 4);
  EXPECT_EQ(get("Position").int32, 4);
  EXPECT_TRUE(get("EOS").boolean);

  ASSERT_TRUE(set("Position", Value::make_int(1)));
  Value part;
  ASSERT_TRUE(call("Read", {Value::make_int(2)}, &part));
  EXPECT_EQ(part.bytes, (Bytes{2, 3}));
  ASSERT_TRUE(call("Read", {Value::make_missing()}, &part));
  EXPECT_EQ(part.bytes, (Bytes{4}));
  ASSERT_TRUE(call("Read", {}, &part));  // at the end: an empty array
  EXPECT_EQ(part.type, ValueType::byte_array);
  EXPECT_TRUE(part.bytes.empty());

  ASSERT_TRUE(set("Position", Value::make_int(3)));
  ASSERT_TRUE(call("Write", {Value::make_bytes({8, 9})}));
  EXPECT_EQ(read_all_bytes(), (Bytes{1, 2, 3, 8, 9}));

  ASSERT_TRUE(set("Position", Value::make_int(2)));
  ASSERT_TRUE(call("SetEOS"));
  EXPECT_EQ(get("Size").int32, 2);

  // Past the end, the stream grows with zero bytes.
  ASSERT_TRUE(set("Position", Value::make_int(4)));
  EXPECT_EQ(get("Size").int32, 4);
  EXPECT_EQ(read_all_bytes(), (Bytes{1, 2, 0, 0}));
}

// Text written under each charset gives these bytes, and the bytes read back as the text.
TEST_F(StreamTest, CharsetsEncodeAndDecodeByNameInAnyCase) {
  struct Case {
    std::u16string_view charset;
    std::u16string_view text;
    Bytes bytes;
  };
  const Case cases[] = {
      {u"UTF-8", u"中文", {0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87}},
      {u"utf-8", u"a", {0x61}},
      {u"GBK", u"中文", {0xD6, 0xD0, 0xCE, 0xC4}},
      {u"gbk", u"€", {0x80}},  // Windows' code page 936, not plain GBK
      {u"gb2312", u"中文", {0xD6, 0xD0, 0xCE, 0xC4}},
      {u"GB18030", u"€", {0xA2, 0xE3}},
      {u"Big5", u"中", {0xA4, 0xA4}},
      {u"Unicode", u"A中", {0x41, 0x00, 0x2D, 0x4E}},
      {u"UTF-16", u"A", {0x41, 0x00}},
      {u"utf-16be", u"A中", {0x00, 0x41, 0x4E, 0x2D}},
      {u"ASCII", u"Az", {0x41, 0x7A}},
      {u"us-ascii", u"~", {0x7E}},
      {u"ISO-8859-1", u"é", {0xE9}},
      {u"Windows-1252", u"€", {0x80}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.charset.begin(), c.charset.end()));
    ASSERT_TRUE(call("Open"));
    ASSERT_TRUE(set("Type", Value::make_int(2)));
    ASSERT_TRUE(set_charset(c.charset));
    ASSERT_TRUE(call("WriteText", {Value::make_string(std::u16string(c.text))}));
    EXPECT_EQ(read_all_bytes(), c.bytes);
    ASSERT_TRUE(call("Close"));

    open_with(c.bytes, c.charset);
    Value text;
    ASSERT_TRUE(call("ReadText", {}, &text));
    EXPECT_EQ(text.string, c.text);
    ASSERT_TRUE(call("Close"));
  }
}

TEST_F(StreamTest, CharactersACharsetLacksBecomeQuestionMarksAndBadBytesReplacement) {
  ASSERT_TRUE(call("Open"));
  ASSERT_TRUE(set_charset(u"GBK"));
  ASSERT_TRUE(call("WriteText", {Value::make_string(u"a\u0E01\U0001F600b")}));
  EXPECT_EQ(read_all_bytes(), (Bytes{'a', '?', '?', 'b'}));
  ASSERT_TRUE(call("Close"));

  open_with({'a', 0xFF, 'b'}, u"utf-8");
  Value text;
  ASSERT_TRUE(call("ReadText", {}, &text));
  EXPECT_EQ(text.string, u"a\uFFFDb");
}

TEST_F(StreamTest, UnknownCharsetIsRefusedAndTheOldOneKept) {
  EXPECT_EQ(get("Charset").string, u"Unicode");
  ASSERT_TRUE(set_charset(u"gbk"));
  for (std::u16string_view name : {u"klingon", u"", u"utf8 ", u"中文"}) {
    EXPECT_FALSE(set_charset(name));
  }
  EXPECT_FALSE(set("Charset", Value::make_null()));
  EXPECT_EQ(get("Charset").string, u"gbk");
}

TEST_F(StreamTest, ReadTextTakesACountAndSkipsAByteOrderMarkAtTheStart) {
  open_with({0xEF, 0xBB, 0xBF, 'a', 0xE4, 0xB8, 0xAD, 0xF0, 0x9F, 0x98, 0x80, 'b'}, u"UTF-8");
  Value text;
  ASSERT_TRUE(call("ReadText", {Value::make_int(2)}, &text));
  EXPECT_EQ(text.string, u"a中");
  EXPECT_EQ(get("Position").int32, 7);
  ASSERT_TRUE(call("ReadText", {Value::make_int(1)}, &text));  // a pair is not split
  EXPECT_EQ(text.string, u"\U0001F600");
  ASSERT_TRUE(call("ReadText", {}, &text));
  EXPECT_EQ(text.string, u"b");
  ASSERT_TRUE(call("ReadText", {}, &text));
  EXPECT_EQ(text.string, u"");
  EXPECT_FALSE(call("ReadText", {Value::make_int(-3)}, &text));
}

TEST_F(StreamTest, WriteTextCanEndTheLine) {
  ASSERT_TRUE(call("Open"));
  ASSERT_TRUE(set_charset(u"ascii"));
  ASSERT_TRUE(call("WriteText", {Value::make_string(u"x"), Value::make_int(1)}));
  ASSERT_TRUE(call("WriteText", {Value::make_string(u"y"), Value::make_int(0)}));
  EXPECT_FALSE(call("WriteText", {Value::make_string(u"z"), Value::make_int(2)}));
  EXPECT_EQ(read_all_bytes(), (Bytes{'x', '\r', '\n', 'y'}));
}

TEST_F(StreamTest, RefusesWhatTheModeOrStateDoesNotAllow) {
  // Closed: only Type and Charset are reachable.
  EXPECT_FALSE(call("Close"));
  EXPECT_FALSE(call("Read"));
  EXPECT_FALSE(set("Position", Value::make_int(0)));
  EXPECT_EQ(get("Size").type, ValueType::empty);
  EXPECT_TRUE(set("Type", Value::make_int(1)));
  EXPECT_FALSE(set("Type", Value::make_int(3)));

  EXPECT_FALSE(call("Open", {Value::make_string(u"file:///etc/passwd")}));
  ASSERT_TRUE(call("Open"));
  EXPECT_FALSE(call("Open"));
  EXPECT_FALSE(call("WriteText", {Value::make_string(u"x")}));  // binary mode
  EXPECT_FALSE(call("ReadText"));
  EXPECT_FALSE(call("Write", {Value::make_string(u"x")}));  // bytes only
  ASSERT_TRUE(call("Write", {Value::make_bytes({1, 2})}));
  EXPECT_FALSE(set("Type", Value::make_int(2)));  // only at position 0
  EXPECT_FALSE(set_charset(u"gbk"));
  EXPECT_FALSE(set("Position", Value::make_int(-1)));
  ASSERT_TRUE(set("Position", Value::make_int(0)));
  ASSERT_TRUE(set("Type", Value::make_int(2)));
  EXPECT_FALSE(call("Write", {Value::make_bytes({3})}));  // text mode
  EXPECT_FALSE(call("Read"));

  // Closing discards the contents; the type and charset stay.
  ASSERT_TRUE(call("Close"));
  ASSERT_TRUE(call("Open"));
  EXPECT_EQ(get("Size").int32, 0);
  EXPECT_EQ(get("Type").int32, 2);
}

}  // namespace
}  // namespace platform
