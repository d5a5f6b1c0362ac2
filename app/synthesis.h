// The synthesis flow behind "合成": posts the text and the chosen voice to the speech service and
// shows the answer, the MP3 address in the address box or the service's message in a box.
//
//   synthesize(*window.textBox(), *window.voiceList(), *window.addressBox());
//
// Nothing stops a run early: an unreachable service, a failed exchange or an answer that is not
// JSON all read as an answer whose "code" and "data" are empty, which shows an empty message box.
// The address box changes only on success ("code" reads exactly "0").
#pragma once

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The service's text endpoint, "https://" + TTS_SERVICE_HOST + "/functions/tts/text". Each program
// that links the app defines it (see tts_link_service_endpoint in app/CMakeLists.txt).
extern const char SYNTH_ENDPOINT[];
extern const char BROWSER_USER_AGENT[];

void synthesize(const QPlainTextEdit& text_box, const QComboBox& voice_list,
                QLineEdit& address_box);
