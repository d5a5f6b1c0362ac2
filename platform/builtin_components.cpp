#include "platform/builtin_components.h"

#include "platform/automation_host.h"

namespace platform {

void register_builtin_components() {
}

}  // namespace platform
