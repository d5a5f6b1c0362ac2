// A stand-in request object for tests: it records each call as "Member(arg, arg, ...)" with the
// arguments as text, answers with canned values, and refuses SetRequestHeader for the names a
// test lists.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/automation_host.h"
#include "platform/unicode_text.h"

class RecordingRequest : public platform::Component {
 public:
  std::vector<std::string> calls;  // UTF-8
  std::set<std::u16string> refused_header_names;
  int status = 200;

  std::span<const platform::Member> members() const override {
    static const platform::Member table[] = {
        recorded("SetTimeouts", platform::InvokeKind::method),
        recorded("SetProxy", platform::InvokeKind::method),
        recorded("Open", platform::InvokeKind::method),
        recorded("Option", platform::InvokeKind::property_put),
        recorded("SetCredentials", platform::InvokeKind::method),
        recorded("SetRequestHeader", platform::InvokeKind::method),
        recorded("Send", platform::InvokeKind::method),
        recorded("ResponseBody", platform::InvokeKind::property_get),
        recorded("GetAllResponseHeaders", platform::InvokeKind::method),
        recorded("Status", platform::InvokeKind::property_get),
    };
    return table;
  }

  // The recorded calls of one member.
  std::vector<std::string> calls_of(std::string_view member) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
      if (call.starts_with(std::string(member) + "(")) found.push_back(call);
    }
    return found;
  }

 private:
  static platform::Member recorded(std::string_view name, platform::InvokeKind kind) {
    return {name, kind, 0, 0, true,
            [name](platform::Component& self, std::span<const platform::Value> args,
                   platform::Value& result) {
              auto& request = static_cast<RecordingRequest&>(self);
              std::string call = std::string(name) + "(";
              for (size_t i = 0; i < args.size(); ++i) {
                auto text = platform::change_type(args[i], platform::ValueType::string);
                call += (i ? ", " : "") + (text ? platform::utf16_to_utf8(text->string)
                                                : std::string("<bytes>"));
              }
              request.calls.push_back(call + ")");
              if (name == "SetRequestHeader" && !args.empty() &&
                  request.refused_header_names.contains(args[0].string)) {
                return false;
              }
              if (name == "Status") result = platform::Value::make_int(request.status);
              return true;
            }};
  }
};
