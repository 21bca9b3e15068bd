// What every fuzz target shares: a fresh process state before each input,
// and a check that stops the run (and so reports a finding) when the code
// under test did something its contract rules out.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Puts AppState, the headless window and the stand-in serial line back to
// a fresh start (English texts), so that one input cannot depend on the
// ones before it.
void fuzzFreshState();

// A broken promise of the code under test: print where and why, then abort,
// which libFuzzer reports as a crash and saves the input.
#define FUZZ_CHECK(condition, why)                                                              \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__, #condition, why); \
            abort();                                                                            \
        }                                                                                       \
    } while (0)

struct DeviceInfo;
struct LinkReply;
// Field by field (the records have padding that a byte compare would see).
bool fuzzSameInfo(const DeviceInfo& a, const DeviceInfo& b);
bool fuzzSameReply(const LinkReply& a, const LinkReply& b);
