#include "formfields/form_field_list.h"

#include <algorithm>
#include <utility>

#include "encoding/codepage_conversion.h"
#include "encoding/url_encode.h"

namespace {

// Appends a name or value to a rendering, percent-encoded (unreserved bytes kept) when asked.
void append_field(Text& rendering, const Text& text, bool encode) {
  if (encode) {
    rendering.append(url_encode(text, /*keep_unreserved=*/true));
  } else {
    rendering.append(text);
  }
}

// The bytes of all names and values plus `per_entry` bytes of punctuation each: the exact size
// of an unencoded rendering (with its final separator), so that it is built without regrowing.
size_t plain_size(const TextArray& names, const TextArray& values, size_t per_entry) {
  size_t size = 0;
  for (const Text& name : names) size += name.size() + per_entry;
  for (const Text& value : values) size += value.size();
  return size;
}

// Drops the final separator of a rendering; an empty rendering stays empty.
void drop_final(Text& rendering, size_t separator_length) {
  rendering.resize(rendering.size() - std::min(rendering.size(), separator_length));
}

}  // namespace

void FormFieldList::add(const Text& name, const Text& value, bool to_utf8) {
  names_.append(to_utf8 ? ::to_utf8(name) : name);
  values_.append(to_utf8 ? ::to_utf8(value) : value);
}

void FormFieldList::append_form_body(std::string_view text, bool to_utf8) {
  for (const Text& piece : split_text(text, "&")) {
    add(text_before(piece, "="), text_after(piece, "="), to_utf8);
  }
}

std::optional<int> FormFieldList::index_of(std::string_view name) const {
  int index = 0;
  for (const Text& candidate : names_) {
    if (compare_text(candidate, name) == 0) return index;
    ++index;
  }
  return std::nullopt;
}

Text FormFieldList::get(std::string_view name) const {
  const std::optional<int> index = index_of(name);
  return index ? values_.element(*index + 1) : Text();
}

void FormFieldList::set(std::string_view name, std::string_view value) {
  if (const std::optional<int> index = index_of(name)) {
    values_.element(*index + 1) = value;
  } else {
    add(Text(name), Text(value));
  }
}

Text FormFieldList::render_form_body(bool url_encode) const {
  Text body;
  body.reserve(plain_size(names_, values_, 2));
  for (int k = 1; k <= names_.count(); ++k) {
    append_field(body, names_.element(k), url_encode);
    body.append("=");
    append_field(body, values_.element(k), url_encode);
    body.append("&");
  }
  drop_final(body, 1);
  return body;
}

Text FormFieldList::render_header_block(bool url_encode) const {
  Text block;
  block.reserve(plain_size(names_, values_, 4));
  for (int k = 1; k <= names_.count(); ++k) {
    block.append(names_.element(k)).append(": ");
    append_field(block, values_.element(k), url_encode);
    block.append("\r\n");
  }
  drop_final(block, 2);
  return block;
}

void FormFieldList::names(TextArray& out) const { out = names_; }

void FormFieldList::values(TextArray& out) const { out = values_; }

void FormFieldList::clear() {
  names_ = TextArray();
  values_ = TextArray();
}

void FormFieldList::remove(std::string_view name) {
  const std::optional<int> index = index_of(name);
  if (!index) return;
  TextArray names;
  TextArray values;
  for (int k = 1; k <= names_.count(); ++k) {
    if (k == *index + 1) continue;
    names.append(names_.element(k));
    values.append(values_.element(k));
  }
  names_ = std::move(names);
  values_ = std::move(values);
}

Text FormFieldList::render_json_object() const {
  Text object = "{";
  for (int k = 1; k <= names_.count(); ++k) {
    object.append("\"")
        .append(names_.element(k))
        .append("\":\"")
        .append(escape_json_value(values_.element(k)))
        .append("\",");
  }
  strip_affix(object, ",");
  return object.append("}");
}

Text FormFieldList::escape_json_value(std::string_view value) const {
  return replace_pairs(value, {.from1 = "\"", .to1 = "\\\""});
}

Text FormFieldList::strip_affix(Text& text, std::string_view affix) const {
  const int n = text_length(affix);
  if (compare_text(text_right(text, n), affix) == 0) text = text_left(text, text_length(text) - n);
  if (compare_text(text_left(text, n), affix) == 0) text = text_right(text, text_length(text) - n);
  return text;
}

Text replace_pairs(std::string_view text, const ReplacePairs& pairs) {
  const std::pair<std::string_view, std::string_view> passes[] = {
      {pairs.from1, pairs.to1}, {pairs.from2, pairs.to2}, {pairs.from3, pairs.to3},
      {pairs.from4, pairs.to4}, {pairs.from5, pairs.to5}};
  const int start = pairs.start == 0 ? 1 : pairs.start;
  Text result(text);
  for (const auto& [from, to] : passes) {
    if (from.empty()) continue;
    result = replace_text(result, from, to, start, pairs.count, pairs.case_sensitive);
  }
  return result;
}
