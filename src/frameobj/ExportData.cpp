// Export of list data: the proposed file, the save dialog, and the start of
// the export job.
#include "ExportData.h"

#include <QDir>
#include <QFileInfo>

#include <ctime>

#include "ClientRoot.h"
#include "ExportJob.h"
#include "HostStrings.h"
#include "TextHelpers.h"
#include "UiService.h"

std::string CExportData::ProposeFileName(const std::string& objectName) {
    std::string dir = platform::OutputFolder();
    const QFileInfo info(QString::fromStdString(dir));
    if (!info.exists() && !QDir().mkpath(info.filePath())) dir.clear();
    else if (info.exists() && !info.isDir()) dir.clear();
    if (!dir.empty()) dir += "/";
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%y-%m-%d-%H-%M-%S", &local);
    return dir + objectName + "--" + stamp;
}

std::string CExportData::TemplatePath() { return platform::DataFile("ExcelTemplate.xlsx"); }

std::string CExportData::AskForFile(QWidget* owner, const std::string& objectName, int filterString,
                                    const char* defaultExt) {
    const QFileInfo proposal(QString::fromStdString(ProposeFileName(objectName)));
    platform::SaveFileRequest request;
    request.caption = HostString(241);
    if (proposal.path() != QStringLiteral(".")) request.directory = proposal.path().toStdString();
    request.fileName = proposal.fileName().toStdString();
    request.filter = HostString(filterString);
    request.defaultExt = defaultExt;
    return platform::Ui().GetSaveFileName(owner, request);
}

bool CExportData::MayReplace(QWidget* owner, const std::string& chosen, const std::string& file) {
    if (file == chosen || !QFileInfo::exists(QString::fromStdString(file))) return true;
    return platform::Ui().MessageBox(owner, platform::Format(HostString(253).c_str(), file.c_str()), HostString(241),
                                     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

bool CExportData::Start(std::unique_ptr<IExportSource> source, std::unique_ptr<IExportWriter> writer, Done done) {
    // The job belongs to the list's window: closing it ends the export, with no file.
    QWidget* owner = source->Owner();
    auto* job = new CExportJob(std::move(source), std::move(writer), std::move(done), owner);
    job->Start();
    return true;
}

bool CExportData::ExportToExcel(std::unique_ptr<IExportSource> source, const std::string& objectName, Done done,
                                const std::string& path) {
    std::string file = path;
    if (file.empty()) {
        const std::string chosen = AskForFile(source->Owner(), objectName, 246, "xlsx");
        if (chosen.empty()) return false;
        // Only a workbook name makes a workbook.
        file = chosen;
        if (!QString::fromStdString(file).endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) file += ".xlsx";
        if (!MayReplace(source->Owner(), chosen, file)) return false;
    }
    auto writer = std::make_unique<CWorkbookExportWriter>(file, TemplatePath(), source->Owner());
    return Start(std::move(source), std::move(writer), std::move(done));
}

bool CExportData::ExportToText(std::unique_ptr<IExportSource> source, const std::string& objectName, Done done,
                               const std::string& path) {
    std::string file = path;
    if (file.empty()) {
        const std::string chosen = AskForFile(source->Owner(), objectName, 247, "txt");
        if (chosen.empty()) return false;
        file = chosen;
        if (QFileInfo(QString::fromStdString(file)).suffix() != QStringLiteral("txt")) file += ".txt";
        if (!MayReplace(source->Owner(), chosen, file)) return false;
    }
    auto writer = std::make_unique<CTextExportWriter>(file, source->Owner());
    return Start(std::move(source), std::move(writer), std::move(done));
}
