// The leak checker of the sanitizer build reads the suppressions of tests/lsan.supp in every test
// process, also in those a test starts itself (the window tests' run on their own X server),
// whatever environment ctest gives them.
extern "C" const char* __lsan_default_options() {
  return "suppressions=" ORVANE_SOURCE_DIR "/tests/lsan.supp";
}

// See ORVANE_ASAN_OPTIONS in CMakeLists.txt.
extern "C" const char* __asan_default_options() {
  return "intercept_tls_get_addr=0";
}
