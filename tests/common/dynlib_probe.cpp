// A library with one entry, loaded by the run-time loading tests.
#ifdef _WIN32
#define PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

PROBE_EXPORT int probe_answer(int x) { return x * 2 + 1; }
