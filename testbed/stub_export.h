// Exports of the stand-in Palm Desktop libraries: plain C names, no decoration, so that
// they are found by the names the real libraries export. Entry points the program binds
// but never calls answer 0.
#pragma once

#include <cstdint>

#define TESTBED_EXPORT extern "C" __declspec(dllexport)
#define TESTBED_STUB(name) \
    TESTBED_EXPORT std::int32_t name() { return 0; }
