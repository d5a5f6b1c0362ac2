/* The per-heap state that the script component passes to the engine as the heap's user data.
 * `deadline_reached` is polled by the engine's interrupt handler while a script runs. */
#pragma once

#if defined(__cplusplus)
extern "C" {
#endif

struct tts_duk_heap_limits {
  int (*deadline_reached)(void *udata);
};

#if defined(__cplusplus)
}
#endif
