// The library the test filter library needs; it lies beside it, with no search path to it.

#include "filterlib/test_filter_library.h"

extern "C" __attribute__((visibility("default"))) const char* sp_test_filter_name() {
    return sptest::kLibraryTestFilterName;
}
