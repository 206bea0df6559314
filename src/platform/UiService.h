// Every message box, question, modal dialog and save-file dialog of the
// client goes through one UI service. The real one shows Qt dialogs; tests
// install CRecordingUi, which records the texts and answers at once, so no
// test ever blocks on a dialog.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PlatformApi.h"

class QDialog;
class QWidget;

// Message box styles and answers, with the values callers compare against.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
// The second button (No of Yes/No) is the one Enter presses.
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

namespace platform {

struct SaveFileRequest {
    std::string caption;
    std::string directory;    // proposed folder
    std::string fileName;     // proposed name
    std::string filter;       // e.g. "Text files (*.txt);;Workbooks (*.xlsx)"
    std::string defaultExt;   // added when the chosen name has none
};

class UO_PLATFORM_API IUiService {
public:
    virtual ~IUiService() = default;
    // Returns IDOK, IDCANCEL, IDYES or IDNO.
    virtual int MessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                           unsigned style) = 0;
    // A message box whose details (the command behind a refusal, say) the
    // operator opens with its "Details" button. The default shows them
    // below the text.
    virtual int MessageBoxDetails(QWidget* parent, const std::string& text,
                                  const std::string& details, const std::string& caption,
                                  unsigned style) {
        return MessageBox(parent, details.empty() ? text : text + "\n\n" + details, caption, style);
    }
    // Runs a modal dialog; returns its result (QDialog::Accepted is 1).
    virtual int ExecDialog(QDialog& dialog) = 0;
    // The chosen path, or empty when the operator cancelled.
    virtual std::string GetSaveFileName(QWidget* parent, const SaveFileRequest& request) = 0;
};

// The service in force: the Qt one unless a test installed another.
UO_PLATFORM_API IUiService& Ui();
// Installs a service and returns the one it replaces (null: back to Qt's).
UO_PLATFORM_API std::unique_ptr<IUiService> SetUiService(std::unique_ptr<IUiService> service);

// Test double: records what would have been shown and answers from queues
// (or the defaults when a queue is empty).
class UO_PLATFORM_API CRecordingUi : public IUiService {
public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned style;
        std::string details;  // behind the box's "Details" button
    };
    int MessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                   unsigned style) override;
    int MessageBoxDetails(QWidget* parent, const std::string& text, const std::string& details,
                          const std::string& caption, unsigned style) override;
    int ExecDialog(QDialog& dialog) override;
    std::string GetSaveFileName(QWidget* parent, const SaveFileRequest& request) override;

    std::vector<Box> boxes;
    std::vector<std::string> dialogTitles;
    std::vector<SaveFileRequest> saveRequests;

    std::deque<int> boxAnswers;        // default IDOK (IDYES for yes/no styles)
    // Runs while a box is up, before it is answered (an operator who reads
    // a while: events go on meanwhile as under a real box).
    std::function<void(const Box&)> onBox;
    std::deque<std::string> saveAnswers;  // default: cancelled
    // Runs on the dialog instead of the event loop; its result is returned.
    // Default: the dialog is rejected (0).
    std::function<int(QDialog&)> onDialog;
};

// Installs a CRecordingUi for the lifetime of the guard.
class UO_PLATFORM_API CRecordingUiGuard {
public:
    CRecordingUiGuard();
    ~CRecordingUiGuard();
    CRecordingUiGuard(const CRecordingUiGuard&) = delete;
    CRecordingUiGuard& operator=(const CRecordingUiGuard&) = delete;
    CRecordingUi* operator->() { return m_ui; }
    CRecordingUi& operator*() { return *m_ui; }

private:
    CRecordingUi* m_ui;
    std::unique_ptr<IUiService> m_previous;
};

}  // namespace platform
