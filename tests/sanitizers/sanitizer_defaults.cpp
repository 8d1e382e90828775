// Every test program carries the sanitizer options the whole run gives it, so that the
// program run by hand, or through ctest, reports what `make test` reports: leaks are
// checked, with the reviewed suppressions of third-party reports. Options in the
// environment are read after these and win.
//
// TAMBREL_ASAN_EXTRA adds a program's own options, e.g. an allocator that returns null for
// the impossible sizes the allocation wrappers are tested with.
#include <cstdlib>

#ifndef TAMBREL_ASAN_EXTRA
#define TAMBREL_ASAN_EXTRA ""
#endif

namespace {

constexpr const char* kAsanOptions =
    "detect_leaks=1:abort_on_error=0:strict_string_checks=1:"
    "suppressions=" TAMBREL_SOURCE_DIR "/tests/sanitizers/asan.supp" TAMBREL_ASAN_EXTRA;
constexpr const char* kLsanOptions =
    "suppressions=" TAMBREL_SOURCE_DIR "/tests/sanitizers/lsan.supp:print_suppressions=0";
constexpr const char* kUbsanOptions = "print_stacktrace=1:halt_on_error=1";

// The servers and tools a test starts are sanitized programs too: they inherit the same
// options, unless the caller gave its own.
const bool kExported = [] {
    setenv("ASAN_OPTIONS", kAsanOptions, 0);
    setenv("LSAN_OPTIONS", kLsanOptions, 0);
    setenv("UBSAN_OPTIONS", kUbsanOptions, 0);
    return true;
}();

}  // namespace

extern "C" const char* __asan_default_options() { return kAsanOptions; }
extern "C" const char* __lsan_default_options() { return kLsanOptions; }
extern "C" const char* __ubsan_default_options() { return kUbsanOptions; }
