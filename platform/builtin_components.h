// The system components this platform provides, registered with the automation host the first
// time an object is created.
#pragma once

namespace platform {

void register_builtin_components();

}  // namespace platform
