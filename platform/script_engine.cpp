#include "platform/script_engine.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "duk_time_limit.h"
#include "duktape.h"
#include "platform/cesu8.h"
#include "platform/script_bytecode_cache.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// What the engine's hooks (allocator, time-out check, fatal handler) see as the heap's user data.
// It outlives the heap, and it is plain data so that the C side can read its first member.
struct HeapState {
  tts_duk_heap_limits limits;  // first: the engine's time-out hook reads it
  Clock::time_point deadline;
  bool deadline_set = false;
  std::size_t used = 0;
  std::size_t cap = ScriptEngine::MEMORY_LIMIT;
  std::jmp_buf fatal_jump;
  bool fatal_jump_armed = false;
};
static_assert(std::is_standard_layout_v<HeapState>);

int deadline_reached(void* udata) {
  const auto* state = static_cast<const HeapState*>(udata);
  return state->deadline_set && Clock::now() >= state->deadline;
}

// Every block carries its size in front of it, so that the cap can count what is freed.
constexpr std::size_t BLOCK_HEADER = alignof(std::max_align_t);

std::size_t block_size(void* block) {
  std::size_t size;
  std::memcpy(&size, block, sizeof size);
  return size;
}

void* finish_block(HeapState* state, void* block, std::size_t size) {
  std::memcpy(block, &size, sizeof size);
  state->used += size;
  return static_cast<char*>(block) + BLOCK_HEADER;
}

void* heap_alloc(void* udata, duk_size_t size) {
  auto* state = static_cast<HeapState*>(udata);
  if (size > state->cap - state->used) return nullptr;
  void* block = std::malloc(BLOCK_HEADER + size);
  return block ? finish_block(state, block, size) : nullptr;
}

void heap_free(void* udata, void* ptr) {
  if (!ptr) return;
  auto* state = static_cast<HeapState*>(udata);
  void* block = static_cast<char*>(ptr) - BLOCK_HEADER;
  state->used -= block_size(block);
  std::free(block);
}

// Like realloc: a null pointer allocates, size 0 frees; on failure the old block stays valid.
void* heap_realloc(void* udata, void* ptr, duk_size_t size) {
  if (!ptr) return heap_alloc(udata, size);
  if (size == 0) {
    heap_free(udata, ptr);
    return nullptr;
  }
  auto* state = static_cast<HeapState*>(udata);
  void* block = static_cast<char*>(ptr) - BLOCK_HEADER;
  const std::size_t old_size = block_size(block);
  if (size > old_size && size - old_size > state->cap - state->used) return nullptr;
  void* moved = std::realloc(block, BLOCK_HEADER + size);
  if (!moved) return nullptr;
  state->used -= old_size;
  return finish_block(state, moved, size);
}

// The engine calls this for errors it cannot throw (it must not return, or the engine aborts the
// process). Every engine call runs inside `guarded`, which armed the jump back to it; the heap is
// abandoned afterwards.
[[noreturn]] void on_fatal(void* udata, const char*) {
  auto* state = static_cast<HeapState*>(udata);
  if (!state->fatal_jump_armed) std::abort();  // unreachable: no engine call runs unguarded
  state->fatal_jump_armed = false;
  std::longjmp(state->fatal_jump, 1);
}

constexpr duk_int_t FATAL = -1;
using Step = duk_int_t (*)(duk_context* ctx, void* data);

// Runs `step` with the fatal handler's way back armed. No frame between here and the engine
// holds anything with a destructor, so the jump skips nothing that needs cleaning up.
duk_int_t guarded(HeapState& state, duk_context* ctx, Step step, void* data) {
  if (setjmp(state.fatal_jump) != 0) return FATAL;
  state.fatal_jump_armed = true;
  const duk_int_t result = step(ctx, data);
  state.fatal_jump_armed = false;
  return result;
}

struct Source {
  const char* bytes;
  std::size_t length;
  duk_uint_t flags;
};

// [ ] -> [ function ]
duk_ret_t compile(duk_context* ctx, void* data) {
  const auto* source = static_cast<const Source*>(data);
  duk_push_lstring(ctx, source->bytes, source->length);
  duk_push_string(ctx, "input");
  duk_compile(ctx, source->flags);
  return 1;
}

struct Bytecode {
  const std::uint8_t* bytes;
  std::size_t length;
};

// [ ] -> [ function ]
duk_ret_t load(duk_context* ctx, void* data) {
  const auto* bytecode = static_cast<const Bytecode*>(data);
  void* buffer = duk_push_fixed_buffer(ctx, bytecode->length);
  std::memcpy(buffer, bytecode->bytes, bytecode->length);
  duk_load_function(ctx);
  return 1;
}

// [ function ] -> [ function bytecode-buffer ]
duk_ret_t dump(duk_context* ctx, void*) {
  duk_dup_top(ctx);
  duk_dump_function(ctx);
  return 2;
}

// [ function ... ] -> [ result ]. When `data` points to true, objects become their string form
// while the time limit still applies, since that may run a script's own toString.
duk_ret_t run(duk_context* ctx, void* data) {
  duk_set_top(ctx, 1);
  duk_push_global_object(ctx);
  duk_call_method(ctx, 0);
  if (!data || !*static_cast<const bool*>(data)) return 0;
  if (duk_is_symbol(ctx, -1)) return DUK_RET_TYPE_ERROR;
  if (duk_check_type_mask(ctx, -1, DUK_TYPE_MASK_OBJECT | DUK_TYPE_MASK_BUFFER |
                                       DUK_TYPE_MASK_LIGHTFUNC | DUK_TYPE_MASK_POINTER)) {
    duk_to_string(ctx, -1);
  }
  return 1;
}

// Takes away what reaches beyond plain computation: the engine's introspection object (call
// stack, finalizers that would run during clean-up, coroutines, raw memory compaction).
duk_ret_t seal(duk_context* ctx, void*) {
  duk_push_global_object(ctx);
  duk_del_prop_string(ctx, -1, "Duktape");
  return 0;
}

struct SafeCall {
  duk_safe_call_function body;
  void* data;
  duk_idx_t nargs;
  duk_idx_t nrets;
};

duk_int_t safe_call(duk_context* ctx, void* data) {
  const auto* call = static_cast<const SafeCall*>(data);
  return duk_safe_call(ctx, call->body, call->data, call->nargs, call->nrets);
}

duk_int_t settle(duk_context* ctx, void*) {
  duk_set_top(ctx, 0);
  return DUK_EXEC_SUCCESS;
}

duk_int_t destroy(duk_context* ctx, void*) {
  duk_destroy_heap(ctx);
  return DUK_EXEC_SUCCESS;
}

std::optional<Value> top_value(duk_context* ctx) {
  switch (duk_get_type(ctx, -1)) {
    case DUK_TYPE_UNDEFINED:
      return Value{};
    case DUK_TYPE_NULL:
      return Value::make_null();
    case DUK_TYPE_BOOLEAN:
      return Value::make_bool(duk_get_boolean(ctx, -1));
    case DUK_TYPE_NUMBER: {
      const double number = duk_get_number(ctx, -1);
      const bool fits = number >= std::numeric_limits<std::int32_t>::min() &&
                        number <= std::numeric_limits<std::int32_t>::max() &&
                        number == static_cast<std::int32_t>(number);
      return fits ? Value::make_int(static_cast<std::int32_t>(number)) : Value::make_real(number);
    }
    case DUK_TYPE_STRING: {
      duk_size_t length = 0;
      const char* bytes = duk_get_lstring(ctx, -1, &length);
      return Value::make_string(cesu8_to_utf16({bytes, length}));
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

struct ScriptEngine::Heap {
  std::unique_ptr<HeapState> state = std::make_unique<HeapState>();
  duk_context* ctx = nullptr;
  std::chrono::milliseconds time_limit = DEFAULT_TIME_LIMIT;

  Heap() {
    state->limits.deadline_reached = deadline_reached;
    const auto create = [](duk_context*, void* data) -> duk_int_t {
      auto* heap = static_cast<Heap*>(data);
      heap->ctx = duk_create_heap(heap_alloc, heap_realloc, heap_free, heap->state.get(), on_fatal);
      return heap->ctx ? DUK_EXEC_SUCCESS : DUK_EXEC_ERROR;
    };
    const duk_int_t created = guarded(*state, nullptr, create, this);
    if (created == FATAL) abandon();
    if (created != DUK_EXEC_SUCCESS) return;
    if (!safe(seal)) {
      step(destroy, nullptr);
      ctx = nullptr;
      return;
    }
    settle_stack();
  }

  ~Heap() {
    if (ctx) step(destroy, nullptr);
  }

  // After a fatal error the heap's inner state is unknown: neither it nor the memory it uses
  // (whose allocator reads `state`) is touched again.
  void abandon() {
    static_cast<void>(state.release());
    ctx = nullptr;
  }

  duk_int_t step(Step what, void* data) {
    if (!ctx) return FATAL;
    const duk_int_t result = guarded(*state, ctx, what, data);
    if (result == FATAL) abandon();
    return result;
  }

  bool safe(duk_safe_call_function body, void* data = nullptr, duk_idx_t nargs = 0,
            duk_idx_t nrets = 1) {
    SafeCall call{body, data, nargs, nrets};
    return step(safe_call, &call) == DUK_EXEC_SUCCESS;
  }

  void settle_stack() { step(settle, nullptr); }

  void start_clock() {
    state->deadline = Clock::now() + time_limit;
    state->deadline_set = true;
  }

  void stop_clock() {
    if (state) state->deadline_set = false;
    settle_stack();
  }
};

ScriptEngine::ScriptEngine() : heap_(std::make_unique<Heap>()) {}

ScriptEngine::~ScriptEngine() = default;

void ScriptEngine::set_time_limit(std::chrono::milliseconds limit) {
  heap_->time_limit = std::max(limit, std::chrono::milliseconds{1});
}

bool ScriptEngine::add_code(std::u16string_view code) {
  Heap& heap = *heap_;
  if (!heap.ctx) return false;
  auto& cache = ScriptBytecodeCache::instance();
  const ScriptBytecodeCache::Lookup cached = cache.lookup(code);
  heap.start_clock();
  bool ok;
  if (cached.bytecode) {
    Bytecode bytecode{cached.bytecode->data(), cached.bytecode->size()};
    ok = heap.safe(load, &bytecode);
  } else {
    const std::string source = utf16_to_cesu8(code);
    Source program{source.data(), source.size(), 0};
    ok = heap.safe(compile, &program);
    if (ok && cached.store_after_compile && heap.safe(dump, nullptr, 1, 2)) {
      duk_size_t size = 0;
      const auto* bytes = static_cast<const std::uint8_t*>(duk_get_buffer(heap.ctx, -1, &size));
      cache.store(code, {bytes, bytes + size});
    }
  }
  ok = ok && heap.safe(run, nullptr, duk_get_top(heap.ctx), 0);
  heap.stop_clock();
  return ok;
}

std::optional<Value> ScriptEngine::eval(std::u16string_view expression) {
  Heap& heap = *heap_;
  if (!heap.ctx) return std::nullopt;
  const std::string source = utf16_to_cesu8(expression);
  Source eval_code{source.data(), source.size(), DUK_COMPILE_EVAL};
  heap.start_clock();
  std::optional<Value> result;
  bool as_value = true;
  if (heap.safe(compile, &eval_code) && heap.safe(run, &as_value, 1)) {
    result = top_value(heap.ctx);
  }
  heap.stop_clock();
  return result;
}

}  // namespace platform
