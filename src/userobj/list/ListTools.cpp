// The list tools in force.
#include "ListTools.h"

#include "ListExport.h"

namespace {

IListTools*& Installed() {
    static IListTools* tools = nullptr;
    return tools;
}

}  // namespace

IListTools& ListTools() {
    static CListExportTools exporters;
    return Installed() ? *Installed() : exporters;
}

void SetListTools(IListTools* tools) { Installed() = tools; }
