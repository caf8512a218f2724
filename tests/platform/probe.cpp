// A run-time module for the loader tests: its resources register themselves
// when it is loaded and go away when it is unloaded.
extern "C" {
__attribute__((visibility("default"))) int probeAnswer() __asm__("_ProbeAnswer");
}

int probeAnswer() {
    return PROBE_ANSWER;
}
