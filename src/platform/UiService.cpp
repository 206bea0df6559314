// The UI service: real Qt dialogs, or a recording double for tests.
#include "UiService.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace platform {

namespace {

class CQtUi : public IUiService {
public:
    int MessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                   unsigned style) override {
        return MessageBoxDetails(parent, text, {}, caption, style);
    }
    int MessageBoxDetails(QWidget* parent, const std::string& text, const std::string& details,
                          const std::string& caption, unsigned style) override {
        QMessageBox box(parent);
        box.setText(QString::fromStdString(text));
        if (!details.empty()) box.setDetailedText(QString::fromStdString(details));
        box.setWindowTitle(QString::fromStdString(caption));
        switch (style & 0xF0) {
            case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
            case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
            case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
            case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
            default: break;
        }
        switch (style & 0xF) {
            case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
            case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
            case MB_YESNOCANCEL:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
                break;
            default: box.setStandardButtons(QMessageBox::Ok); break;
        }
        if (style & MB_DEFBUTTON2)
            box.setDefaultButton((style & 0xF) == MB_OKCANCEL ? QMessageBox::Cancel : QMessageBox::No);
        switch (box.exec()) {
            case QMessageBox::Yes: return IDYES;
            case QMessageBox::No: return IDNO;
            case QMessageBox::Cancel: return IDCANCEL;
            default: return IDOK;
        }
    }
    int ExecDialog(QDialog& dialog) override { return dialog.exec(); }
    std::string GetSaveFileName(QWidget* parent, const SaveFileRequest& r) override {
        // The dialog adds the default extension itself, so that its question
        // before replacing a file is about the name the file will have.
        // Without a folder it starts in its own default one.
        QFileDialog dialog(parent, QString::fromStdString(r.caption), QString::fromStdString(r.directory),
                           QString::fromStdString(r.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!r.defaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(r.defaultExt));
        if (!r.fileName.empty()) dialog.selectFile(QString::fromStdString(r.fileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().front().toStdString();
    }
};

std::unique_ptr<IUiService>& Installed() {
    static std::unique_ptr<IUiService> service;
    return service;
}

}  // namespace

IUiService& Ui() {
    static CQtUi qtUi;
    auto& s = Installed();
    return s ? *s : static_cast<IUiService&>(qtUi);
}

std::unique_ptr<IUiService> SetUiService(std::unique_ptr<IUiService> service) {
    std::swap(Installed(), service);
    return service;
}

int CRecordingUi::MessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                             unsigned style) {
    return MessageBoxDetails(parent, text, {}, caption, style);
}

int CRecordingUi::MessageBoxDetails(QWidget*, const std::string& text, const std::string& details,
                                    const std::string& caption, unsigned style) {
    boxes.push_back({text, caption, style, details});
    if (onBox) onBox(boxes.back());
    if (!boxAnswers.empty()) {
        int a = boxAnswers.front();
        boxAnswers.pop_front();
        return a;
    }
    unsigned buttons = style & 0xF;
    return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
}

int CRecordingUi::ExecDialog(QDialog& dialog) {
    dialogTitles.push_back(dialog.windowTitle().toStdString());
    return onDialog ? onDialog(dialog) : 0;
}

std::string CRecordingUi::GetSaveFileName(QWidget*, const SaveFileRequest& request) {
    saveRequests.push_back(request);
    if (saveAnswers.empty()) return {};
    std::string a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
}

CRecordingUiGuard::CRecordingUiGuard() {
    auto ui = std::make_unique<CRecordingUi>();
    m_ui = ui.get();
    m_previous = SetUiService(std::move(ui));
}

CRecordingUiGuard::~CRecordingUiGuard() { SetUiService(std::move(m_previous)); }

}  // namespace platform
