// A library without registration entry points.

extern "C" __attribute__((visibility("default"))) int sp_not_a_filter_library() {
    return 7;
}
