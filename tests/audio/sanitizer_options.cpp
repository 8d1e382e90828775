// The allocation wrappers are tested by asking for impossible sizes; the sanitizer's
// allocator must then return null as the C library does, instead of stopping the test.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
