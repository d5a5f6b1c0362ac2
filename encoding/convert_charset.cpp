#include "encoding/convert_charset.h"

#include "runtime/automation.h"

// Nothing is checked on the way: a step the stream refuses is skipped by the automation layer
// and the next one runs, which is what makes an unknown charset name fall back silently.
Bytes convert_charset(const Bytes& source, std::string_view from_charset,
                      std::string_view to_charset, std::optional<int> start_position) {
  const std::string_view from = from_charset.empty() ? "UTF-8" : from_charset;
  const std::string_view to = to_charset.empty() ? "GBK" : to_charset;

  co_initialize();
  co_initialize();
  AutomationObject stream;
  object_create(stream, "Adodb.Stream");
  object_set(stream, "Type", {1});
  object_call(stream, "Open");
  Variant buffer;
  variant_assign(buffer, source);
  object_call(stream, "Write", {buffer});
  variant_clear(buffer);

  object_set(stream, "Position", {0});
  object_set(stream, "Type", {2});
  object_set(stream, "Charset", {from});
  const Text text = object_call_text(stream, "ReadText");

  object_call(stream, "Close");
  object_call(stream, "Open");
  object_set(stream, "Charset", {to});
  object_call(stream, "WriteText", {text});
  object_set(stream, "Position", {0});
  object_set(stream, "Type", {1});
  if (start_position) object_set(stream, "Position", {*start_position});
  const Bytes converted = variant_get_bytes(object_call_variant(stream, "Read"));

  object_clear(stream);
  co_uninitialize();
  co_uninitialize();
  return converted;
}
