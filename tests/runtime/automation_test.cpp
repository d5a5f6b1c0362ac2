// Late-bound calls through the automation layer, against a probe component that exists only here:
// each of its members answers with a fixed value and records which entry ran and what it got.
#include "runtime/automation.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using platform::InvokeKind;
using platform::Member;
using platform::Value;
using platform::ValueType;

class Probe : public platform::Component {
 public:
  Probe() {
    add("Both", InvokeKind::method);
    add("Both", InvokeKind::property_get);
    add("GetOnly", InvokeKind::property_get);
    add("PutOnly", InvokeKind::property_put, 1);
    add("RefOnly", InvokeKind::property_put_ref, 1);
    add("PutAndRef", InvokeKind::property_put, 1);
    add("PutAndRef", InvokeKind::property_put_ref, 1);
    add("MethodOnly", InvokeKind::method, 1, 1);
    add("Two", InvokeKind::method, 2, 1);
    add("Many", InvokeKind::method, 1, 1, true);
    add("Option", InvokeKind::property_put, 2);
    add("Cell", InvokeKind::property_put, 3, 2);
    add("Answer", InvokeKind::method, 0, 0, false, Reply::answer);
    add("Raise", InvokeKind::method, 0, 0, false, Reply::raise);
    add("Throw", InvokeKind::method, 0, 0, false, Reply::raise_exception);
  }

  std::span<const Member> members() const override { return members_; }

  std::string last_entry;     // "name.kind" of the entry that ran last
  std::vector<Value> last_args;
  Value answer;  // what "Answer" returns

 private:
  enum class Reply { tag, answer, raise, raise_exception };

  void add(std::string_view name, InvokeKind kind, int parameters = 0, int optional = 0,
           bool variadic = false, Reply reply = Reply::tag) {
    static constexpr const char* kinds[] = {"method", "get", "put", "ref"};
    const std::string tag = std::string(name) + "." + kinds[static_cast<int>(kind)];
    members_.push_back(
        {name, kind, parameters, optional, variadic,
         [tag, reply](platform::Component& self, std::span<const Value> args, Value& result) {
           auto& probe = static_cast<Probe&>(self);
           probe.last_entry = tag;
           probe.last_args.assign(args.begin(), args.end());
           switch (reply) {
             case Reply::tag:
               result = Value::make_string(std::u16string(tag.begin(), tag.end()));
               return true;
             case Reply::answer:
               result = probe.answer;
               return true;
             case Reply::raise:
               return false;
             case Reply::raise_exception:
               throw std::runtime_error("inside the object");
           }
           return false;
         }});
  }

  std::vector<Member> members_;
};

// One letter per argument a member received: i integer, r real, s string, b boolean, y byte
// array, - missing.
std::string shape(const std::vector<Value>& args) {
  std::string out;
  for (const Value& v : args) {
    switch (v.type) {
      case ValueType::int32: out += 'i'; break;
      case ValueType::real: out += 'r'; break;
      case ValueType::string: out += 's'; break;
      case ValueType::boolean: out += 'b'; break;
      case ValueType::byte_array: out += 'y'; break;
      case ValueType::missing: out += '-'; break;
      default: out += '?'; break;
    }
  }
  return out;
}

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ole_initialize();
    platform::register_component("Test.Probe", "{0C7A4F2E-1B3D-4E5F-8A9B-0C1D2E3F4A5B}",
                                 [] { return std::make_shared<Probe>(); });
    ASSERT_TRUE(object_create(obj, "test.PROBE"));
  }
  void TearDown() override { platform::ole_uninitialize(); }

  Probe& probe() { return static_cast<Probe&>(*obj.reference()); }

  AutomationObject obj;
};

TEST_F(AutomationTest, EachKindOfCallTriesTheMemberKindsInItsOrder) {
  EXPECT_EQ(object_call_text(obj, "both"), "Both.method");
  EXPECT_EQ(object_get_text(obj, "BOTH"), "Both.get");
  EXPECT_EQ(object_call_text(obj, "GetOnly"), "GetOnly.get");
  EXPECT_EQ(object_call_text(obj, "PutOnly", {1}), "PutOnly.put");
  EXPECT_EQ(object_call_text(obj, "RefOnly", {1}), "RefOnly.ref");
  EXPECT_EQ(object_get_text(obj, "MethodOnly"), "MethodOnly.method");

  struct Write {
    const char* member;
    bool ok;
    const char* entry;
  };
  for (const Write& w : {Write{"PutAndRef", true, "PutAndRef.put"},
                         Write{"RefOnly", true, "RefOnly.ref"},
                         Write{"MethodOnly", true, "MethodOnly.method"},
                         Write{"GetOnly", false, ""}, Write{"Nowhere", false, ""}}) {
    SCOPED_TRACE(w.member);
    probe().last_entry.clear();
    EXPECT_EQ(object_set(obj, w.member, {1}), w.ok);
    EXPECT_EQ(probe().last_entry, w.entry);
  }

  EXPECT_EQ(object_get_text(obj, "PutOnly"), "");  // a read never reaches a write
  EXPECT_EQ(object_call_text(obj, "Nowhere"), "");
}

TEST_F(AutomationTest, ArgumentCountsAndLeftOutArguments) {
  const Variant empty;
  const Bytes bytes{1, 2};
  struct Case {
    const char* member;
    Arguments args;
    bool ok;
    const char* received;
  };
  const Case cases[] = {
      {"Two", {}, false, ""},  // the first parameter is required
      {"Two", {1}, true, "i-"},
      {"Two", {1, 2}, true, "ii"},
      {"Two", {1, 2, 3}, false, ""},
      {"Two", {1, std::nullopt}, true, "i-"},
      {"Two", {1, 2, std::nullopt, std::nullopt}, true, "ii"},
      {"Two", {std::nullopt, 2}, true, "-i"},
      {"Two", {empty, 2}, true, "-i"},
      {"Two", {empty}, true, "--"},
      {"Two", {bytes}, false, ""},  // bytes travel only inside a Variant
      {"Many", {1, 2.5, "x", true}, true, "irsb"},
      {"Many", {}, true, "-"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    probe().last_entry.clear();
    probe().last_args.clear();
    object_call(obj, cases[i].member, cases[i].args);
    EXPECT_EQ(!probe().last_entry.empty(), cases[i].ok);
    EXPECT_EQ(shape(probe().last_args), cases[i].received);
  }
}

TEST_F(AutomationTest, ArgumentsArriveAsAutomationValues) {
  Variant bytes;
  ASSERT_TRUE(variant_assign(bytes, Bytes{0, 255}));
  object_call(obj, "Many", {"中文", 7, 0.5, false, bytes, ""});
  const std::vector<Value>& got = probe().last_args;
  ASSERT_EQ(shape(got), "sirbys");
  EXPECT_EQ(got[0].string, u"中文");
  EXPECT_EQ(got[1].int32, 7);
  EXPECT_EQ(got[2].real, 0.5);
  EXPECT_FALSE(got[3].boolean);
  EXPECT_EQ(got[4].bytes, (Bytes{0, 255}));
  EXPECT_EQ(got[5].string, u"");
}

TEST_F(AutomationTest, PropertyWritePassesIndicesThenTheValue) {
  EXPECT_TRUE(object_set(obj, "Option", {6, 0}));
  ASSERT_EQ(shape(probe().last_args), "ii");
  EXPECT_EQ(probe().last_args[0].int32, 6);
  EXPECT_EQ(probe().last_args[1].int32, 0);

  // Left-out optional indices are filled in before the value, which stays last.
  EXPECT_TRUE(object_set(obj, "Cell", {5, "v"}));
  EXPECT_EQ(shape(probe().last_args), "i-s");

  EXPECT_FALSE(object_set(obj, "Option", {6}));  // the value of an indexed write is not optional
  EXPECT_FALSE(object_set(obj, "PutOnly", {}));  // nor is the value itself
}

TEST_F(AutomationTest, ResultsConvertToTheAskedKind) {
  Value bytes = Value::make_bytes({1});
  struct Case {
    Value answer;
    const char* text;
    double number;
    bool flag;
  };
  const Case cases[] = {
      {Value{}, "", 0, false},  // a member that returns nothing
      {Value::make_null(), "", 0, false},
      {Value::make_int(42), "42", 42, true},
      {Value::make_real(2.5), "2.5", 2.5, true},
      {Value::make_bool(true), "True", -1, true},
      {Value::make_string(u"中文"), "中文", 0, false},
      {Value::make_string(u"3.5"), "3.5", 3.5, true},
      {Value::make_string(u"True"), "True", 0, true},
      // Thai is not in the code page; the text ends at a zero character.
      {Value::make_string(std::u16string(u"a\u0E01b\0c", 5)), "a?b", 0, false},
      {Value::make_string(std::u16string(u"abcdefghi\0\u4E2D", 11)), "abcdefghi", 0, false},
      {Value::make_string(u"abcdefgh\u4E2D"), "abcdefgh中", 0, false},
      {bytes, "", 0, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    probe().answer = cases[i].answer;
    EXPECT_EQ(object_call_text(obj, "Answer"), cases[i].text);
    EXPECT_EQ(object_call_number(obj, "Answer"), cases[i].number);
    EXPECT_EQ(object_call_bool(obj, "Answer"), cases[i].flag);
    EXPECT_EQ(object_get_text(obj, "Answer"), cases[i].text);
    EXPECT_EQ(object_get_number(obj, "Answer"), cases[i].number);
    const Variant variant = object_call_variant(obj, "Answer");
    EXPECT_EQ(variant.value().type, cases[i].answer.type);
    EXPECT_EQ(object_get(obj, "Answer").value().type, cases[i].answer.type);
  }
  probe().answer = bytes;
  EXPECT_EQ(variant_get_bytes(object_call_variant(obj, "Answer")), (Bytes{1}));
}

TEST_F(AutomationTest, FailedCallsYieldEmptyValuesSilently) {
  AutomationObject empty;
  for (const AutomationObject* target : {&empty, &obj}) {
    for (const char* member : {"Raise", "Throw", "Nowhere"}) {
      SCOPED_TRACE(member);
      object_call(*target, member);
      EXPECT_EQ(object_call_text(*target, member), "");
      EXPECT_EQ(object_call_number(*target, member), 0);
      EXPECT_FALSE(object_call_bool(*target, member));
      EXPECT_EQ(object_call_variant(*target, member).value().type, ValueType::empty);
      EXPECT_EQ(object_get(*target, member).value().type, ValueType::empty);
      EXPECT_EQ(object_get_text(*target, member), "");
      EXPECT_EQ(object_get_number(*target, member), 0);
      EXPECT_FALSE(object_set(*target, member, {1}));
    }
  }
}

TEST_F(AutomationTest, ObjectVariablesHoldCountedReferences) {
  AutomationObject copy;
  object_copy(copy, obj);
  EXPECT_EQ(copy.reference(), obj.reference());
  EXPECT_EQ(obj.reference().use_count(), 2);

  // A failed creation leaves the variable as it was.
  EXPECT_FALSE(object_create(copy, "Test.Unregistered"));
  EXPECT_EQ(copy.reference(), obj.reference());

  // Copying over a held object releases it.
  AutomationObject other;
  ASSERT_TRUE(object_create(other, "{0c7a4f2e-1b3d-4e5f-8a9b-0c1d2e3f4a5b}"));
  const std::weak_ptr<platform::Component> previous = other.reference();
  object_copy(other, obj);
  EXPECT_TRUE(previous.expired());

  object_clear(copy);
  object_clear(copy);
  EXPECT_TRUE(object_is_empty(copy));
  EXPECT_FALSE(object_is_empty(obj));
  EXPECT_EQ(obj.reference().use_count(), 2);
  object_copy(copy, AutomationObject{});
  EXPECT_TRUE(object_is_empty(copy));
}

TEST(AutomationInitialisation, CreationFailsOnAnUninitialisedThreadAndNestedPairsBalance) {
  platform::register_component("Test.Probe", "", [] { return std::make_shared<Probe>(); });
  AutomationObject obj;
  EXPECT_FALSE(object_create(obj, "Test.Probe"));
  EXPECT_TRUE(object_is_empty(obj));

  platform::ole_initialize();
  platform::co_initialize();
  EXPECT_TRUE(object_create(obj, "Test.Probe"));
  platform::co_uninitialize();
  EXPECT_EQ(platform::initialisation_count(), 1);
  EXPECT_TRUE(object_create(obj, "Test.Probe"));
  platform::ole_uninitialize();
  EXPECT_FALSE(object_create(obj, "Test.Probe"));
  EXPECT_FALSE(object_is_empty(obj));  // what it held stays usable
  EXPECT_EQ(object_call_text(obj, "Both"), "Both.method");
}

TEST(Variants, AssignReadClearAndRetype) {
  Variant v;
  ASSERT_TRUE(variant_assign(v, Bytes{}));
  EXPECT_EQ(v.value().type, ValueType::byte_array);
  EXPECT_TRUE(variant_get_bytes(v).empty());

  ASSERT_TRUE(variant_assign(v, Bytes{0, 1, 0}));
  EXPECT_EQ(variant_get_bytes(v), (Bytes{0, 1, 0}));

  ASSERT_TRUE(variant_assign(v, "文字"));
  EXPECT_EQ(v.value().string, u"文字");
  EXPECT_TRUE(variant_get_bytes(v).empty());

  Variant copy;
  ASSERT_TRUE(variant_assign(copy, v));
  EXPECT_EQ(copy.value().string, u"文字");
  variant_clear(v);
  EXPECT_EQ(v.value().type, ValueType::empty);
  EXPECT_EQ(copy.value().type, ValueType::string);

  // The program retypes to an array of 32-bit integers and ignores the answer: an empty value
  // cannot become an array, so it stays empty.
  EXPECT_FALSE(variant_set_type(copy, 7));
  EXPECT_EQ(copy.value().type, ValueType::empty);
  EXPECT_TRUE(variant_set_type(copy, 8));
  EXPECT_EQ(copy.value().type, ValueType::string);

  ASSERT_TRUE(variant_create_array(v, 1, 3));
  EXPECT_EQ(variant_get_bytes(v), (Bytes{0, 0, 0}));
  EXPECT_FALSE(variant_create_array(v, 1, -1));
  EXPECT_EQ(v.value().type, ValueType::empty);
}

}  // namespace
