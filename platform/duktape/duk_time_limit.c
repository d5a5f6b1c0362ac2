/* Called by the engine from its interrupt handler: nonzero stops the running evaluation with a
 * RangeError. The heap's user data is the script component's per-heap state, whose first member
 * is the deadline check. */
#include "duktape.h"
#include "duk_time_limit.h"

duk_bool_t tts_duk_time_limit_reached(void *udata) {
  const struct tts_duk_heap_limits *limits = (const struct tts_duk_heap_limits *) udata;
  return limits != NULL && limits->deadline_reached != NULL && limits->deadline_reached(udata);
}
