// What a list's menu offers besides the object's operations and finding
// text in its rows: exporting them. The list exporters serve unless a test
// installs tools of its own.
#pragma once

#include <string>

class CObjListCtrl;

class IListTools {
public:
    virtual ~IListTools() = default;
    virtual void ExportText(CObjListCtrl& list, const std::string& objectName) = 0;
    virtual void ExportWorkbook(CObjListCtrl& list, const std::string& objectName) = 0;
};

// The tools in force (never null).
IListTools& ListTools();
void SetListTools(IListTools* tools);
