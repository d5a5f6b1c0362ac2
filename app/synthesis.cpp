#include "app/synthesis.h"

#include "app/voice_catalogue.h"
#include "encoding/convert_charset.h"
#include "formfields/form_field_list.h"
#include "http/http_request.h"
#include "json/json_document.h"
#include "runtime/window_system.h"

const char BROWSER_USER_AGENT[] =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";

namespace {

constexpr int METHOD_POST = 1;

}  // namespace

void synthesize(const QPlainTextEdit& text_box, const QComboBox& voice_list,
                QLineEdit& address_box) {
  FormFieldList form;
  FormFieldList request_headers;
  JsonDocument answer;

  // The service reads the fields as they stand: nothing is percent-encoded, so '&', '%' and '+'
  // in the text reach it unchanged.
  form.add("value", read_control_text(text_box));
  form.add("voice", voice_for_selection(read_selection(voice_list)));
  form.add("volume", "50");
  form.add("speech_rate", "0");
  form.add("pitch_rate", "0");
  form.add("type", "1");
  const Text body = form.render_form_body();

  request_headers.add("User-Agent", BROWSER_USER_AGENT);
  Text headers = request_headers.render_header_block();

  const Bytes response =
      http_request(SYNTH_ENDPOINT, {.method = METHOD_POST, .body_text = body, .headers = &headers});

  answer.parse(to_text(convert_charset(response)));
  if (compare_text(answer.get_text("code"), "0") == 0) {
    write_control_text(address_box, answer.get_text("data"));
  } else {
    message_box(answer.get_text("data"));
  }
}
