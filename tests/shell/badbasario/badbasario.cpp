// A default-configuration library that lacks one of its two exports.
extern "C" __attribute__((visibility("default"))) int _GetResourceId(int, int, int, int) {
    return 18;
}
