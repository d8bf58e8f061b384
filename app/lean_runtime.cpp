// The Windows program is built without exceptions. Where the standard
// library would throw (an allocation fails, a size or index is beyond its
// limits) the process ends at once instead, quietly, as after any other
// fatal fault. Defining these here keeps libstdc++'s exception classes, its
// unwinder and its demangling terminate handler out of the program.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
[[noreturn]] void End() { ExitProcess(3); }
}  // namespace

namespace std {
void __throw_bad_exception() { End(); }
void __throw_bad_alloc() { End(); }
void __throw_bad_array_new_length() { End(); }
void __throw_bad_cast() { End(); }
void __throw_bad_typeid() { End(); }
void __throw_logic_error(const char*) { End(); }
void __throw_domain_error(const char*) { End(); }
void __throw_invalid_argument(const char*) { End(); }
void __throw_length_error(const char*) { End(); }
void __throw_out_of_range(const char*) { End(); }
void __throw_out_of_range_fmt(const char*, ...) { End(); }
void __throw_runtime_error(const char*) { End(); }
void __throw_range_error(const char*) { End(); }
void __throw_overflow_error(const char*) { End(); }
void __throw_underflow_error(const char*) { End(); }
void __throw_ios_failure(const char*) { End(); }
void __throw_ios_failure(const char*, int) { End(); }
void __throw_system_error(int) { End(); }
void __throw_future_error(int) { End(); }
void __throw_bad_function_call() { End(); }
}  // namespace std

// Allocation that never returns null and never throws: it succeeds or the
// process ends. The nothrow forms return null instead, as callers of them
// expect (std::stable_sort falls back to sorting in place).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void* operator new(std::size_t size) {
  if (void* p = operator new(size, std::nothrow)) return p;
  End();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
