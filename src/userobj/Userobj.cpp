// Entry of the module: the host calls ExternMain once per object window.
#include "Trace.h"

extern "C" __attribute__((visibility("default"))) void* ExternMain(void* hostFrame,
                                                                    int configType) {
    (void)hostFrame;
    W2L_FAIL("ExternMain: configuration type %d has no object window yet", configType);
    return nullptr;
}
