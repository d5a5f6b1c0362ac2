// Routines that run once at a normal end of the program, after the message loop, in the order
// they were registered. A fatal error ends the program without them.
//
//   register_exit_routine(destroy_voice_catalogue);
//   ...                                  // message loop
//   run_exit_routines();                 // destroy_voice_catalogue runs here
#pragma once

using ExitRoutine = void (*)();

// Registering a routine that is already registered has no effect: it keeps its first place.
void register_exit_routine(ExitRoutine routine);

// Runs every registered routine once, in registration order, and forgets them: a second call runs
// nothing. A routine registered while the routines run is run after them, in the same call.
void run_exit_routines();
