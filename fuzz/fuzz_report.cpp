// Fuzz target: the report parser must reject or accept any bytes without
// crashing, hanging or reading out of bounds, and what it accepts must be
// walkable.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "hostlibs/ObjArray.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CObjArray a;
    const int n = Parse(std::string_view(reinterpret_cast<const char*>(data), size), 1, a);
    if (n < 0) return 0;
    int first = 0, last = 0;
    for (int o = 0; o < a.GetObjectCount(); ++o) {
        a.GetObjectList(a.GetObjectName(o), first, last, o);
        for (int p = 0; p < a.GetPropertyCount(o); ++p) {
            const CMapStringToStringArray* prop = a.GetProperty(o, p);
            if (!prop) __builtin_trap();
            for (int v = 0; v <= prop->GetNumOfValue(); ++v) (void)prop->GetValue(v).size();
        }
    }
    return 0;
}
