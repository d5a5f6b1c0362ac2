// The JSON answers of the synthesis endpoint: '{"code":0,"data":"<address>"}' on success, and
// '{"code":<non-zero>,"data":"<Chinese message>"}' for each way a request can fail. The program
// shows "data" of a failure in a message box, so each message says what to change.
//
//   success_answer("https://localhost:8443/audio/ab12.mp3")
//   failure_answer(kEmptyText)   // {"code":1003,"data":"文本不能为空"}
#pragma once

#include <string>
#include <string_view>

namespace service {

struct Failure {
  int code;
  std::string_view message;
};

inline constexpr Failure kMalformedBody{
    1001, "请求格式不正确：应为含 value、voice、volume、speech_rate、pitch_rate、type 字段的表单"};
inline constexpr Failure kTextNotUtf8{1002, "文本不是有效的 UTF-8 编码"};
inline constexpr Failure kEmptyText{1003, "文本不能为空"};
inline constexpr Failure kTextTooLong{1004, "文本过长：最多 5000 个字符"};
inline constexpr Failure kUnknownVoice{1005, "未知的发音人，请从列表中选择"};
inline constexpr Failure kVolumeOutOfRange{1006, "音量应为 0 到 100 之间的整数"};
inline constexpr Failure kSpeechRateOutOfRange{1007, "语速应为 -500 到 500 之间的整数"};
inline constexpr Failure kPitchRateOutOfRange{1008, "语调应为 -500 到 500 之间的整数"};
inline constexpr Failure kBusy{2001, "服务繁忙，请稍后再试"};
inline constexpr Failure kSynthesisFailed{2002, "语音合成失败，请稍后再试"};
inline constexpr Failure kInternalError{2003, "服务内部错误，请稍后再试"};

// The success answer carrying the audio address. The address is escaped as a JSON string.
std::string success_answer(std::string_view address);

std::string failure_answer(const Failure& failure);

}  // namespace service
