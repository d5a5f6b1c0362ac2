// The script component, "MSScriptControl.ScriptControl": runs JavaScript for late-bound callers.
//
// Members (names match in any letter case):
//   Language  property, read/write: "JavaScript" or "JScript" in any letter case selects the one
//             language and starts a fresh engine; any other name is refused. Until it is set,
//             AddCode and Eval fail.
//   AddCode   method(code): runs the code as global code; declarations stay for later calls.
//   Eval      method(expression): the completion value; `var`s and assignments stay global.
//   Reset     method(): discards every global a script made; Language and Timeout stay.
//   Timeout   property, read/write: milliseconds each AddCode or Eval may run, 2000 by default;
//             a value below 1 is refused.
// Every instance has its own engine (see script_engine.h for the sandbox and its limits). A
// script error, the time limit or the memory cap fails the call, and nothing is shown.
//
//   ObjectRef control = create_object("MSScriptControl.ScriptControl");
//   // Language = "JavaScript"; AddCode("var n = 1"); Eval("n + 1") gives 2
#pragma once

#include "platform/automation_host.h"

namespace platform {

inline constexpr const char* SCRIPT_CONTROL_PROG_ID = "MSScriptControl.ScriptControl";
inline constexpr const char* SCRIPT_CONTROL_CLASS_ID = "{6F3A1C52-8D2E-4B7A-9E31-5C0D7B4A2F19}";

ObjectRef make_script_control();

}  // namespace platform
