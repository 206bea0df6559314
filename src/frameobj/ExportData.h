// CExportData: export of what a list shows, to a workbook made from the
// client's template or to a text file. The operator picks the file in a
// save dialog that proposes "<object>--yy-mm-dd-HH-MM-SS" in the client's
// Output folder; the rows are then written by a CExportJob.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ExportSource.h"
#include "FrameApi.h"

class UO_FRAME_API CExportData {
public:
    using Done = std::function<void(bool ok)>;

    // the output folder (client root + "/Output/" in a build tree, the
    // documents folder installed) + object name + "--" + local time; the folder
    // is made when missing, and left out when it cannot be.
    static std::string ProposeFileName(const std::string& objectName);
    // The template the workbook export copies: client root + "/data/ExcelTemplate.xlsx".
    static std::string TemplatePath();

    // Ask for the file (unless a path is given, which is then taken as it
    // is) and start the export; done tells how it ended. False when the
    // operator cancelled the save dialog (done is then not called).
    static bool ExportToExcel(std::unique_ptr<IExportSource> source, const std::string& objectName,
                              Done done = {}, const std::string& path = {});
    static bool ExportToText(std::unique_ptr<IExportSource> source, const std::string& objectName,
                             Done done = {}, const std::string& path = {});

private:
    static bool Start(std::unique_ptr<IExportSource> source, std::unique_ptr<class IExportWriter> writer, Done done);
    // The save dialog asked before replacing the name chosen there; an
    // extension added after it makes another name, and a file of that name
    // is replaced only when the operator says so.
    static bool MayReplace(QWidget* owner, const std::string& chosen, const std::string& file);
    static std::string AskForFile(QWidget* owner, const std::string& objectName, int filterString,
                                  const char* defaultExt);
};
