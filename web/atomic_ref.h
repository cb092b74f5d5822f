/*
 * atomic_ref.h - std::atomic_ref for the browser build, whose C++ library
 * (Debian's libc++ 16 for wasm32-wasi) does not have it yet. The build
 * includes this ahead of every source. It gives what the program uses:
 * load and store in a given memory order, through the compiler's atomic
 * built-ins, which is what a library's std::atomic_ref does for these types.
 */
#ifndef TONBROOK_WEB_ATOMIC_REF_H
#define TONBROOK_WEB_ATOMIC_REF_H

#ifdef __cplusplus
#include <atomic>

#if defined(_LIBCPP_VERSION) && !defined(__cpp_lib_atomic_ref)
static_assert((int)std::memory_order_relaxed == __ATOMIC_RELAXED &&
              (int)std::memory_order_acquire == __ATOMIC_ACQUIRE &&
              (int)std::memory_order_release == __ATOMIC_RELEASE &&
              (int)std::memory_order_seq_cst == __ATOMIC_SEQ_CST);

namespace std {

template <class T>
class atomic_ref {
 public:
  explicit atomic_ref(T &object) : m_object(&object) {}
  atomic_ref &operator=(const atomic_ref &) = delete;

  T load(memory_order order = memory_order_seq_cst) const { return __atomic_load_n(m_object, (int)order); }
  void store(T value, memory_order order = memory_order_seq_cst) const {
    __atomic_store_n(m_object, value, (int)order);
  }

 private:
  T *m_object;
};

}  // namespace std
#endif
#endif

#endif
