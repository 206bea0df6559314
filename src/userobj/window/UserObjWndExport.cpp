// The object window: commands whose reports go to a callback (the pages an
// export reads), and the host's events (export the active list, ask anew).
#include "ListExport.h"
#include "ObjListCtrl.h"
#include "UserDlg.h"
#include "UserObjWnd.h"
#include "userobj/Messages.h"

BOOL CUserObjWnd::SendTapped(const std::string& command, ReportTap tap) {
    m_mapReportTap[command] = std::move(tap);
    if (!m_pMainFrame || !m_pMainFrame->SendCommands(command, this)) {
        m_mapReportTap.erase(command);
        return FALSE;
    }
    ++m_nMMLCount;
    UpdateBusyState();
    return TRUE;
}

void CUserObjWnd::DropTap(const std::string& command) { m_mapReportTap.erase(command); }

bool CUserObjWnd::DeliverToTap(const std::string& command, const CObjArray* report) {
    auto it = m_mapReportTap.find(command);
    if (it == m_mapReportTap.end()) return false;
    if (report && report->GetContinueFlag()) {
        // More reports of this command follow: the tap hears each and stays.
        ReportTap part = it->second;
        if (part) part(report);
        return true;
    }
    ReportTap tap = std::move(it->second);
    m_mapReportTap.erase(it);
    if (tap) tap(report);
    return true;
}

bool CUserObjWnd::OnEvent(const std::string& name, const std::string* data) {
    if (name == "Notice" && data) {
        OnNotice(*data);
        return true;
    }
    if (name == msg::kEventRequery) {
        AskAllAnew();
        return true;
    }
    if (name != "Export" || !data) return IObjWnd::OnEvent(name, data);
    CObjListCtrl* list = m_pActiveDlg ? m_pActiveDlg->GetActiveListCtrl() : nullptr;
    if (!list || !list->m_obj) {
        setProperty("exportState", QStringLiteral("failed"));
        return true;
    }
    setProperty("exportState", QStringLiteral("running"));
    QPointer<CUserObjWnd> self(this);
    ExportListTo(*list, *data, [self](bool ok) {
        if (self) self->setProperty("exportState", ok ? QStringLiteral("done") : QStringLiteral("failed"));
    });
    return true;
}
