// The list tools in force.
#include "ListTools.h"

#include "UiService.h"

namespace {

class CMissingTools : public IListTools {
    void Say(const char* what) {
        platform::Ui().MessageBox(nullptr, std::string(what) + " is not available in this build.", "", MB_OK);
    }
    void ExportText(CObjListCtrl&, const std::string&) override { Say("Export to a text file"); }
    void ExportWorkbook(CObjListCtrl&, const std::string&) override { Say("Export to a workbook"); }
};

IListTools*& Installed() {
    static IListTools* tools = nullptr;
    return tools;
}

}  // namespace

IListTools& ListTools() {
    static CMissingTools missing;
    return Installed() ? *Installed() : missing;
}

void SetListTools(IListTools* tools) { Installed() = tools; }
