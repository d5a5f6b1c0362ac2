// The script library that every JSON document's engine is loaded with (script_library.js,
// embedded by the build as one constant text): the helpers get__count, get__name_All and
// get__extend, and JSON support where the engine has none.
//
//   object_call(engine, "AddCode", {script_library()});
#pragma once

#include <string_view>

extern const char SCRIPT_LIBRARY[];
extern const unsigned SCRIPT_LIBRARY_LENGTH;

inline std::string_view script_library() { return {SCRIPT_LIBRARY, SCRIPT_LIBRARY_LENGTH}; }
