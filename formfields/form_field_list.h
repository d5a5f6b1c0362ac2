// An ordered list of name/value pairs, rendered as a form body ("a=1&b=2"), a request header
// block ("Name: value" lines joined by CR LF) or a one-level JSON object of strings.
//
//   FormFieldList fields;
//   fields.add("value", "你好");
//   fields.add("voice", "x");
//   fields.render_form_body();      // "value=你好&voice=x"
//   fields.render_json_object();    // {"value":"你好","voice":"x"}
//
// Duplicate names are kept; look-ups act on the first entry with a name. Names compare byte for
// byte, with letter case. Every text stored is the list's own copy and every text handed out is a
// new copy. No operation fails.
#pragma once

#include <optional>
#include <string_view>

#include "runtime/text.h"

class FormFieldList {
 public:
  FormFieldList() = default;
  ~FormFieldList() = default;
  FormFieldList(const FormFieldList&) = default;
  FormFieldList& operator=(const FormFieldList&) = default;

  // Appends the pair, converted from GBK to UTF-8 first when `to_utf8` is true; an existing entry
  // with that name is not looked for.
  void add(const Text& name, const Text& value, bool to_utf8 = false);
  // Appends the pairs of a form body without clearing the list or percent-decoding: pieces
  // between "&" (empty ones included, none after a final "&"); a piece's name ends at its first
  // "=" and its value starts after its last, so "k=v=w" gives ("k", "w"), and a piece without "="
  // gives an empty name and value.
  void append_form_body(std::string_view text, bool to_utf8 = false);
  // The value of the first entry named `name`, or the empty text.
  Text get(std::string_view name) const;
  // Replaces the value of the first entry named `name` in place, or appends the pair; never
  // converts to UTF-8.
  void set(std::string_view name, std::string_view value);
  // "name=value" joined by "&"; with `url_encode` names and values are percent-encoded (unreserved
  // bytes kept). An empty list gives the empty text.
  Text render_form_body(bool url_encode = false) const;
  // "name: value" lines joined by CR LF, nothing after the last; with `url_encode` only the values
  // are percent-encoded. An empty list gives the empty text.
  Text render_header_block(bool url_encode = false) const;
  // Replace the caller's list by a copy of the names (values), in order.
  void names(TextArray& out) const;
  void values(TextArray& out) const;
  void clear();
  // Removes the first entry named `name`; nothing happens when there is none.
  void remove(std::string_view name);
  // {"name":"value",...}: names written as they are, values through escape_json_value; an empty
  // list gives "{}".
  Text render_json_object() const;
  // Puts a backslash before every double quote and changes nothing else: backslashes, control
  // characters and non-ASCII bytes are copied as they are.
  Text escape_json_value(std::string_view value) const;
  // Drops one copy of `affix` from the end of `text`, then one from the start of what is left;
  // stores the result in `text` and returns it. ",a," -> "a", ",," -> "", an empty affix changes
  // nothing.
  Text strip_affix(Text& text, std::string_view affix) const;

 private:
  // Index (0-based) of the first entry named `name`, or none.
  std::optional<int> index_of(std::string_view name) const;

  TextArray names_;
  TextArray values_;
};

// The settings of replace_pairs: up to five from/to pairs applied one after the other.
struct ReplacePairs {
  std::optional<int> count = std::nullopt;  // replacements per pair; absent: every occurrence
  int start = 0;                            // 1-based byte to start at; 0 means 1
  bool case_sensitive = false;              // ASCII letters only are folded when false
  std::string_view from1 = {}, to1 = {};
  std::string_view from2 = {}, to2 = {};
  std::string_view from3 = {}, to3 = {};
  std::string_view from4 = {}, to4 = {};
  std::string_view from5 = {}, to5 = {};
};

// Applies replace_text five times, pair 1 first, each pass working on the result of the one
// before (so a later pair sees what an earlier one wrote). A pair whose `from` is empty changes
// nothing.
//
//   replace_pairs("say \"hi\"", {.from1 = "\"", .to1 = "\\\""})  == "say \\\"hi\\\""
Text replace_pairs(std::string_view text, const ReplacePairs& pairs);
