// A JSON value held in a private script engine under the root variable `da`, read and changed
// through short script texts built from path expressions.
//
// A path is a member-access suffix of the root: "code", "a.b", "[3].name", "list[0].id"; the
// empty path is the root itself, and a path that begins with "da" and names an existing value
// is taken as absolute. Array indexes count from 0. Parsing is the script's own evaluation and
// serialising its JSON.stringify, so a parse accepts any script expression, not only JSON.
// Failures are silent: false, an empty text or 0. Text stored with `set_value` keeps its
// backslashes as a marker character (U+2400) that every read turns back into a backslash, so a
// backslash written in a text value reaches the JSON output unescaped.
//
//   JsonDocument answer;
//   answer.parse("{\"code\":0,\"data\":\"http://host/a.mp3\"}");
//   answer.get_text("code");              // "0"
//   answer.set_value("list", "[1,2]", true);
//   answer.get_length("list");            // 2
//   answer.to_json();                     // {"code":0,"data":"http://host/a.mp3","list":[1,2]}
#pragma once

#include <string_view>

#include "runtime/automation.h"
#include "runtime/text.h"

// The codes of get_type. 3 is not used.
enum JsonValueType : int {
  JSON_OTHER = -1,  // anything else (a function, a date), or the type could not be read
  JSON_NULL = 0,    // null or undefined, or a missing last member
  JSON_BOOLEAN = 1,
  JSON_NUMBER = 2,
  JSON_OBJECT = 4,
  JSON_ARRAY = 5,
  JSON_STRING = 6,
};

class JsonDocument {
 public:
  // A document holding an empty object, in an engine of its own; without an engine when the
  // script component cannot be created, and then every operation fails.
  JsonDocument();
  ~JsonDocument();
  // The copy shares the source's engine, and so its value, until either of them parses.
  JsonDocument(const JsonDocument& source);
  JsonDocument& operator=(const JsonDocument& source);

  // Creates a new engine with the script library, an empty root and the marker globals.
  void init_engine();
  // Replaces the value by the text evaluated as a script expression, in a new engine. False
  // when the text fails (the root is then null) or evaluates to null or undefined; an empty
  // text gives undefined. A document that never got an engine does not retry.
  bool parse(std::string_view text);
  // The root becomes an empty object, in the same engine.
  bool clear();
  // Compact JSON of the whole document; "" without an engine.
  Text to_json();
  // A new reference to the engine; empty when there is none.
  AutomationObject get_engine() const;

  // Results of the modifying operations: true when the statement's value is true, a non-zero
  // number or a non-empty text (objects count by their text); false when the statement fails.

  // As JSON, `value` is script source ("" stands for {}): merged into an existing member with
  // get__extend, assigned to a missing one. As text, stored exactly, backslashes as the marker.
  bool set_value(std::string_view path, std::string_view value, bool as_json = false);
  // The member becomes eval(expression).
  bool set_expression(std::string_view path, std::string_view expression);
  // Makes `path` absolute ("data" -> "da.data", "[1]" -> "da[1]", "" -> "da") unless it begins
  // with the root name and names a value already; true when it names a value other than null
  // and undefined. A failed evaluation counts as false, so "data" (no such script variable)
  // still becomes "da.data"; "da.x" for a missing x becomes "da.da.x".
  bool resolve_path(Text& path);
  // 0 for null, undefined or a missing last member; -1 for a path through a missing member.
  JsonValueType get_type(std::string_view path = {});
  // Plain: the script's toString (an object gives "[object Object]", an array its elements
  // joined by commas; null or missing gives ""). As JSON: the member's JSON text.
  Text get_text(std::string_view path = {}, bool as_json = false);
  // Replaces `names` with the member names of a plain object (none for anything else, and never
  // names holding functions); returns their number.
  int get_member_names(TextArray& names, std::string_view path = {});
  // The length of an array member; 0 for anything else.
  int get_length(std::string_view path = {});
  // A new document holding a copy of the member; its root is undefined when the member cannot
  // be read.
  JsonDocument get_object(std::string_view path = {});
  // Appends to the array member, which a member of any other kind (or a missing one) becomes
  // first. As text the value is placed between single quotes as it is: the script decodes any
  // backslash escape in it, and a single quote or line break in it fails the statement.
  bool push_value(std::string_view value, std::string_view path = {}, bool as_json = false);
  JsonDocument get_element_object(int index, std::string_view path = {});
  // Plain form works on string elements only (others fail and give ""); as JSON any element.
  Text get_element_text(int index, std::string_view path = {}, bool as_json = false);
  // Sets the element of an existing array; the text form quotes as push_value does.
  bool set_element(int index, std::string_view path, std::string_view value, bool as_json = false);
  bool remove_element(int index, std::string_view path = {});
  bool remove_member(std::string_view path);
  bool set_number(std::string_view path, double number);
  double get_number(std::string_view path = {});
  Text get_json(std::string_view path = {});

 private:
  Text absolute(std::string_view path);
  bool eval_bool(const Text& script) const;
  Text eval_text(const Text& script) const;
  double eval_number(const Text& script) const;
  bool run_statement(const Text& script) const;

  Text root_name;
  AutomationObject engine;
  bool raised_thread_count = false;  // this document's own co_initialize, undone on destruction
  // The engine is exactly as init_engine left it and nobody else can reach it, so parse may take
  // it as the new engine it needs instead of building another one (half the cost of a parse
  // right after construction).
  mutable bool engine_untouched = false;
};
