#include "platform/builtin_components.h"

#include "platform/automation_host.h"
#include "platform/script_component.h"
#include "platform/http_request_component.h"
#include "platform/stream_component.h"

namespace platform {

void register_builtin_components() {
  register_component(SCRIPT_CONTROL_PROG_ID, SCRIPT_CONTROL_CLASS_ID, make_script_control);
  register_component(kHttpRequestProgId, "", make_http_request_component);
  register_component("Adodb.Stream", "", make_stream_component);
}

}  // namespace platform
