#include "json/json_document.h"

#include "json/script_library.h"
#include "json/script_quote.h"

namespace {

constexpr std::string_view SCRIPT_CONTROL = "MSScriptControl.ScriptControl";

// Script-text endings shared by every read: the backslash marker back to a backslash.
constexpr std::string_view MARKERS_TO_BACKSLASH = ".replace(str_reg, '\\\\')";

}  // namespace

JsonDocument::JsonDocument() : root_name("da") { init_engine(); }

JsonDocument::JsonDocument(const JsonDocument& source)
    : root_name(source.root_name), raised_thread_count(co_initialize()) {
  source.engine_untouched = false;
  object_copy(engine, source.engine);
}

JsonDocument& JsonDocument::operator=(const JsonDocument& source) {
  if (this != &source) {
    root_name = source.root_name;
    source.engine_untouched = false;
    engine_untouched = false;
    AutomationObject shared;
    object_copy(shared, source.engine);
    object_clear(engine);
    object_copy(engine, shared);
  }
  return *this;
}

JsonDocument::~JsonDocument() {
  object_clear(engine);
  if (raised_thread_count) co_uninitialize();
}

void JsonDocument::init_engine() {
  // One raise per document, however often the engine is replaced, so that destruction's single
  // co_uninitialize balances it.
  if (!raised_thread_count) raised_thread_count = co_initialize();
  engine_untouched = false;
  if (!object_create(engine, SCRIPT_CONTROL)) return;
  object_set(engine, "Language", {"JavaScript"});
  object_call(engine, "AddCode", {script_library()});
  object_call(engine, "Eval",
              {concat_text({"var ", root_name,
                            " = {}, str_Code = String.fromCharCode(9216), "
                            "str_reg = new RegExp(str_Code, 'g')"})});
  engine_untouched = true;
}

bool JsonDocument::parse(std::string_view text) {
  const bool fresh = engine_untouched && engine.reference().use_count() == 1;
  if (!object_is_empty(engine) && !fresh) {
    object_clear(engine);
    init_engine();
  }
  engine_untouched = false;
  if (object_is_empty(engine)) return false;
  object_call(engine, "Eval", {concat_text({"var ", root_name, " = null"})});
  object_call(engine, "AddCode", {concat_text({"var ", root_name, " = eval(", text, ")"})});
  return eval_bool(concat_text({root_name, " != null"}));
}

bool JsonDocument::clear() { return run_statement(concat_text({root_name, " = {}"})); }

Text JsonDocument::to_json() {
  return eval_text(concat_text({"JSON.stringify(", root_name, ")", MARKERS_TO_BACKSLASH}));
}

AutomationObject JsonDocument::get_engine() const {
  engine_untouched = false;
  AutomationObject reference;
  object_copy(reference, engine);
  return reference;
}

bool JsonDocument::set_value(std::string_view path, std::string_view value, bool as_json) {
  Text p(path);
  const bool exists = resolve_path(p);
  if (as_json) {
    const std::string_view source = value.empty() ? std::string_view("{}") : value;
    return run_statement(exists ? concat_text({p, " = get__extend(", p, ", ", source, ")"})
                                : concat_text({p, " = eval(", source, ")"}));
  }
  Text escaped = replace_text(value, "\\", "\\\\");
  escaped = replace_text(escaped, "'", "\\'");
  escaped = replace_text(escaped, "\"", "\\\"");
  escaped = replace_text(escaped, "\r", "\\r");
  escaped = replace_text(escaped, "\n", "\\n");
  return run_statement(concat_text({p, " = '", escaped, "'.replace(/\\\\/g, str_Code)"}));
}

bool JsonDocument::set_expression(std::string_view path, std::string_view expression) {
  const Text p = absolute(path);
  return run_statement(concat_text({p, " = eval(", expression, ")"}));
}

bool JsonDocument::resolve_path(Text& path) {
  if (starts_with(path, root_name) && eval_bool(concat_text({path, " != null"}))) return true;
  if (path.empty()) {
    path = root_name;
  } else if (path.front() == '[') {
    path = concat_text({root_name, path});
  } else {
    path = concat_text({root_name, ".", path});
  }
  return eval_bool(concat_text({path, " != null"}));
}

JsonValueType JsonDocument::get_type(std::string_view path) {
  const Text p = absolute(path);
  if (eval_bool(concat_text({p, " == null"}))) return JSON_NULL;
  const Text tag = eval_text(concat_text({"Object.prototype.toString.call(", p, ")"}));
  static constexpr struct {
    std::string_view tag;
    JsonValueType type;
  } TAGS[] = {{"[object String]", JSON_STRING},
              {"[object Array]", JSON_ARRAY},
              {"[object Object]", JSON_OBJECT},
              {"[object Number]", JSON_NUMBER},
              {"[object Boolean]", JSON_BOOLEAN}};
  for (const auto& entry : TAGS) {
    if (compare_text(tag, entry.tag) == 0) return entry.type;
  }
  return JSON_OTHER;
}

Text JsonDocument::get_text(std::string_view path, bool as_json) {
  const Text p = absolute(path);
  if (as_json) return eval_text(concat_text({"JSON.stringify(", p, ")", MARKERS_TO_BACKSLASH}));
  return eval_text(concat_text({p, ".toString()", MARKERS_TO_BACKSLASH}));
}

int JsonDocument::get_member_names(TextArray& names, std::string_view path) {
  const Text p = absolute(path);
  const Text joined = eval_text(concat_text({"get__name_All(", p, ")"}));
  names = joined.empty() ? TextArray{} : split_text(joined, "\r\n");
  return names.count();
}

int JsonDocument::get_length(std::string_view path) {
  const Text p = absolute(path);
  return to_int(eval_number(concat_text({"get__count(", p, ")"})));
}

JsonDocument JsonDocument::get_object(std::string_view path) {
  JsonDocument copy;
  copy.parse(get_json(path));
  return copy;
}

bool JsonDocument::push_value(std::string_view value, std::string_view path, bool as_json) {
  const Text p = absolute(path);
  const Text v = as_json ? Text(value) : quote_script_text(value);
  return run_statement(concat_text({"if (Object.prototype.toString.call(", p,
                                    ") != '[object Array]') { ", p, " = new Array() } ", p,
                                    ".push(", v, ")"}));
}

JsonDocument JsonDocument::get_element_object(int index, std::string_view path) {
  JsonDocument copy;
  const Text p = absolute(path);
  copy.parse(eval_text(
      concat_text({"JSON.stringify(", p, "[", to_text(index), "])", MARKERS_TO_BACKSLASH})));
  return copy;
}

Text JsonDocument::get_element_text(int index, std::string_view path, bool as_json) {
  const Text p = absolute(path);
  const Text element = concat_text({p, "[", to_text(index), "]"});
  if (as_json) {
    return eval_text(concat_text({"JSON.stringify(", element, ")", MARKERS_TO_BACKSLASH}));
  }
  return eval_text(concat_text({element, MARKERS_TO_BACKSLASH}));
}

bool JsonDocument::set_element(int index, std::string_view path, std::string_view value,
                               bool as_json) {
  const Text p = absolute(path);
  const Text v = as_json ? Text(value) : quote_script_text(value);
  return run_statement(concat_text({p, "[", to_text(index), "] = ", v}));
}

bool JsonDocument::remove_element(int index, std::string_view path) {
  const Text p = absolute(path);
  return run_statement(concat_text({p, ".splice(", to_text(index), ", 1)"}));
}

bool JsonDocument::remove_member(std::string_view path) {
  const Text p = absolute(path);
  return run_statement(concat_text({"delete ", p}));
}

bool JsonDocument::set_number(std::string_view path, double number) {
  const Text p = absolute(path);
  return run_statement(concat_text({p, " = ", to_text(number)}));
}

double JsonDocument::get_number(std::string_view path) { return eval_number(absolute(path)); }

Text JsonDocument::get_json(std::string_view path) {
  const Text p = absolute(path);
  return eval_text(concat_text({"JSON.stringify(", p, ")", MARKERS_TO_BACKSLASH}));
}

Text JsonDocument::absolute(std::string_view path) {
  Text p(path);
  resolve_path(p);
  return p;
}

bool JsonDocument::eval_bool(const Text& script) const {
  engine_untouched = false;
  return object_call_bool(engine, "Eval", {script});
}

Text JsonDocument::eval_text(const Text& script) const {
  engine_untouched = false;
  return object_call_text(engine, "Eval", {script});
}

double JsonDocument::eval_number(const Text& script) const {
  engine_untouched = false;
  return object_call_number(engine, "Eval", {script});
}

bool JsonDocument::run_statement(const Text& script) const {
  engine_untouched = false;
  const Variant result = object_call_variant(engine, "Eval", {script});
  const platform::Value& value = result.value();
  switch (value.type) {
    case platform::ValueType::boolean:
      return value.boolean;
    case platform::ValueType::int32:
      return value.int32 != 0;
    case platform::ValueType::real:
      return value.real != 0 && value.real == value.real;
    case platform::ValueType::string:
      return !value.string.empty();
    default:
      return false;
  }
}
