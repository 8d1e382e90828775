// Reports that third-party libraries cause are silenced by name, in one reviewed file.
extern "C" const char* __asan_default_options() {
    return "suppressions=" TAMBREL_SOURCE_DIR "/tests/sanitizers/asan.supp";
}
