// The automation host: registry look-up, the per-thread initialisation count, member tables and
// the change-type rules, against a component that exists only here.
#include "platform/automation_host.h"

#include <gtest/gtest.h>

#include <thread>

namespace platform {
namespace {

class Counter : public Component {
 public:
  std::span<const Member> members() const override { return table_; }
  int value = 0;

 private:
  static bool add(Component& self, std::span<const Value> args, Value& result) {
    auto& counter = static_cast<Counter&>(self);
    counter.value += args.empty() || args[0].type == ValueType::missing ? 1 : args[0].int32;
    result = Value::make_int(counter.value);
    return true;
  }
  static inline const Member table_[] = {
      {"Add", InvokeKind::method, 1, 1, false, add},
      {"Value", InvokeKind::property_get, 0, 0, false,
       [](Component& self, std::span<const Value>, Value& result) {
         result = Value::make_int(static_cast<Counter&>(self).value);
         return true;
       }},
  };
};

// Keeps the thread initialised for the length of one test.
class Initialised : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ole_initialize());
    register_component("Test.Counter", "{6B29FC40-CA47-1067-B31D-00DD010662DA}",
                       [] { return std::make_shared<Counter>(); });
  }
  void TearDown() override { ole_uninitialize(); }
};

TEST_F(Initialised, FindsComponentsByProgIdInAnyCaseAndByClassId) {
  for (const char* name : {"Test.Counter", "TEST.COUNTER", "test.counter",
                           "{6B29FC40-CA47-1067-B31D-00DD010662DA}",
                           "{6b29fc40-ca47-1067-b31d-00dd010662da}"}) {
    SCOPED_TRACE(name);
    EXPECT_NE(dynamic_cast<Counter*>(create_object(name).get()), nullptr);
  }
  for (const char* name : {"", "Test", "Test.Counter.1", "6B29FC40-CA47-1067-B31D-00DD010662DA"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(create_object(name), nullptr);
  }
}

TEST_F(Initialised, EachCreationIsAFreshObjectAndReRegistrationReplacesTheFactory) {
  ObjectRef first = create_object("Test.Counter");
  static_cast<Counter&>(*first).value = 5;
  EXPECT_EQ(static_cast<Counter&>(*create_object("Test.Counter")).value, 0);

  register_component("Test.Counter", "", [] {
    auto counter = std::make_shared<Counter>();
    counter->value = 42;
    return counter;
  });
  EXPECT_EQ(static_cast<Counter&>(*create_object("test.counter")).value, 42);
}

TEST_F(Initialised, FailingFactoryIsAFailedCreation) {
  register_component("Test.Broken", "", []() -> ObjectRef { throw std::runtime_error("no"); });
  register_component("Test.Null", "", []() -> ObjectRef { return nullptr; });
  EXPECT_EQ(create_object("Test.Broken"), nullptr);
  EXPECT_EQ(create_object("Test.Null"), nullptr);
}

TEST(InitialisationCount, CreationNeedsAnInitialisedThreadAndNestedPairsBalance) {
  register_component("Test.Counter", "", [] { return std::make_shared<Counter>(); });
  EXPECT_EQ(initialisation_count(), 0);
  EXPECT_EQ(create_object("Test.Counter"), nullptr);

  ASSERT_TRUE(ole_initialize());
  ASSERT_TRUE(co_initialize());
  ASSERT_TRUE(co_initialize());
  EXPECT_EQ(initialisation_count(), 3);
  co_uninitialize();
  co_uninitialize();
  EXPECT_EQ(initialisation_count(), 1);
  EXPECT_NE(create_object("Test.Counter"), nullptr);

  // The count belongs to the thread: another thread starts uninitialised.
  std::thread other([] {
    EXPECT_EQ(initialisation_count(), 0);
    EXPECT_EQ(create_object("Test.Counter"), nullptr);
  });
  other.join();

  ole_uninitialize();
  ole_uninitialize();  // one too many is ignored
  EXPECT_EQ(initialisation_count(), 0);
  EXPECT_EQ(create_object("Test.Counter"), nullptr);
  ASSERT_TRUE(co_initialize());
  EXPECT_EQ(initialisation_count(), 1);
  co_uninitialize();
}

TEST(FindMember, MatchesNameInAnyCaseAndExactlyTheKind) {
  Counter counter;
  const Member* add = find_member(counter, "aDD", InvokeKind::method);
  ASSERT_NE(add, nullptr);
  Value result;
  const Value args[] = {Value::make_int(4)};
  EXPECT_TRUE(add->invoke(counter, args, result));
  EXPECT_EQ(result.int32, 4);
  EXPECT_EQ(find_member(counter, "Add", InvokeKind::property_get), nullptr);
  EXPECT_EQ(find_member(counter, "value", InvokeKind::property_put), nullptr);
  EXPECT_EQ(find_member(counter, "Valu", InvokeKind::property_get), nullptr);
}

TEST(ChangeType, ConvertsAsTheCallersRelyOn) {
  struct Case {
    Value from;
    ValueType to;
    std::optional<Value> expected;
  };
  const Case cases[] = {
      {Value{}, ValueType::string, Value::make_string(u"")},
      {Value{}, ValueType::real, Value::make_real(0)},
      {Value{}, ValueType::boolean, Value::make_bool(false)},
      {Value::make_int(-12), ValueType::string, Value::make_string(u"-12")},
      {Value::make_real(0.1), ValueType::string, Value::make_string(u"0.1")},
      {Value::make_real(2.5e20), ValueType::string, Value::make_string(u"2.5e+20")},
      {Value::make_bool(true), ValueType::string, Value::make_string(u"True")},
      {Value::make_bool(false), ValueType::string, Value::make_string(u"False")},
      {Value::make_string(u" 3.25 "), ValueType::real, Value::make_real(3.25)},
      {Value::make_string(u"1e3"), ValueType::real, Value::make_real(1000)},
      {Value::make_string(u"3x"), ValueType::real, std::nullopt},
      {Value::make_string(u""), ValueType::real, std::nullopt},
      {Value::make_bool(true), ValueType::real, Value::make_real(-1)},
      {Value::make_int(7), ValueType::boolean, Value::make_bool(true)},
      {Value::make_real(0), ValueType::boolean, Value::make_bool(false)},
      {Value::make_string(u"TRUE"), ValueType::boolean, Value::make_bool(true)},
      {Value::make_string(u"false"), ValueType::boolean, Value::make_bool(false)},
      {Value::make_string(u"yes"), ValueType::boolean, std::nullopt},
      {Value::make_real(2.5), ValueType::int32, Value::make_int(2)},
      {Value::make_real(3.5), ValueType::int32, Value::make_int(4)},
      {Value::make_string(u"17"), ValueType::int32, Value::make_int(17)},
      {Value::make_real(3e9), ValueType::int32, std::nullopt},
      {Value::make_null(), ValueType::string, std::nullopt},
      {Value::make_null(), ValueType::real, std::nullopt},
      {Value::make_bytes({1, 2}), ValueType::byte_array, Value::make_bytes({1, 2})},
      {Value::make_bytes({1, 2}), ValueType::string, std::nullopt},
      {Value::make_string(u"ab"), ValueType::byte_array, std::nullopt},
      {Value{}, ValueType::byte_array, std::nullopt},
      {Value{}, ValueType::int32_array, std::nullopt},
      {Value::make_int32s({1}), ValueType::int32_array, Value::make_int32s({1})},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    const std::optional<Value> got = change_type(c.from, c.to);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (!got) continue;
    EXPECT_EQ(got->type, c.expected->type);
    EXPECT_EQ(got->string, c.expected->string);
    EXPECT_EQ(got->real, c.expected->real);
    EXPECT_EQ(got->boolean, c.expected->boolean);
    EXPECT_EQ(got->int32, c.expected->int32);
    EXPECT_EQ(got->bytes, c.expected->bytes);
    EXPECT_EQ(got->int32s, c.expected->int32s);
  }
}

}  // namespace
}  // namespace platform
