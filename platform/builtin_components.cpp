#include "platform/builtin_components.h"

#include "platform/automation_host.h"
#include "platform/http_request_component.h"

namespace platform {

void register_builtin_components() {
  register_component(kHttpRequestProgId, "", make_http_request_component);
}

}  // namespace platform
