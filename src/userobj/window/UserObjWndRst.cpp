// The object window: result reports. Each report is parsed, matched with the
// command object that sent it, and handed to that object's data set in the
// form the data set takes: header and table for lists, a detail record for
// detail views, the outcome for changes.
#include <cstdlib>
#include <utility>

#include "CentrexDlg.h"
#include "ChangeFeedback.h"
#include "CmdListView.h"
#include "CmdText.h"
#include "FormViews.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UiService.h"
#include "UserDlg.h"
#include "UserObjWnd.h"
#include "hostlibs/HostStringIds.h"
#include "userobj/Messages.h"

BOOL CUserObjWnd::IsQueryCmd(const std::string& command) {
    const std::string t = platform::Trim(command);
    const std::string verb = t.substr(0, t.find(' '));
    return platform::EqualsNoCase(verb, "LST") || platform::EqualsNoCase(verb, "DSP");
}

int CUserObjWnd::GetReportBlock(const CObjArray& report, const std::string& block,
                                std::vector<std::string>& header, CDataTable& table) {
    int first = 0, last = 0;
    if (!report.GetObjectList(block, first, last)) return -1;
    table.RemoveAll();
    header.clear();
    const int n = report.GetPropertyCount(first);
    for (int o = first; o <= last; ++o) {
        if (report.GetPropertyCount(o) != n) {
            platform::Ui().MessageBox(this, report.GetCommand() + HostString(10067), "", MB_OK | MB_ICONWARNING);
            return -1;
        }
    }
    for (int k = 0; k < n; ++k) {
        const CMapStringToStringArray* p = report.GetProperty(first, k);
        header.emplace_back(p ? p->GetKeyValue(0) : std::string_view());
    }
    for (int o = first; o <= last; ++o) {
        CDataRow row(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) {
            const CMapStringToStringArray* p = report.GetProperty(o, k);
            if (!p) {
                table.RemoveAll();
                platform::Ui().MessageBox(this, HostString(10246), "", MB_OK | MB_ICONWARNING);
                return -1;
            }
            CDataCell& cell = row[static_cast<size_t>(k)];
            cell.reserve(static_cast<size_t>(p->GetNumOfValue()));
            for (int v = 0; v < p->GetNumOfValue(); ++v) cell.emplace_back(p->GetValue(v));
        }
        table.Add(std::move(row));
    }
    return n;
}

BOOL CUserObjWnd::ReadQueryHead(const CObjArray& report, std::map<std::string, std::string>& info) {
    std::vector<std::string> header;
    CDataTable table;
    if (GetReportBlock(report, HostString(HS_QUERY_HEAD), header, table) == -1) return FALSE;
    info.clear();
    for (size_t k = 0; k < header.size(); ++k) {
        std::string value;
        if (table.GetSize() > 0 && k < table[0].size() && !table[0][k].empty())
            value = platform::Trim(table[0][k].front());
        if (header[k] == HostString(HS_QID) && value != "-1") value = "\"" + value + "\"";
        info[header[k]] = value;
    }
    return TRUE;
}

BOOL CUserObjWnd::CheckPagedQuery(const CObjArray& report, CObjListCtrl* list) {
    std::map<std::string, std::string> info;
    if (!ReadQueryHead(report, info)) return FALSE;
    list->m_bResultSeen = TRUE;
    list->m_mapQueryInfo = std::move(info);
    if (auto q = list->m_mapQueryInfo.find(HostString(HS_QID)); q != list->m_mapQueryInfo.end())
        m_listQid.push_back({list, q->second});
    list->m_nTotalRecords = static_cast<int>(std::strtol(list->m_mapQueryInfo[HostString(HS_TOTAL_RECS)].c_str(), nullptr, 10));
    return TRUE;
}

bool CUserObjWnd::RenewLostQuery(const CObjArray& report, CObjDescData& desc, const std::string& cmd) {
    if (report.GetRetCode() != RC_QUERY_GONE) return false;
    auto* list = dynamic_cast<CObjListCtrl*>(desc.GetDynData()->GetWnd());
    const std::string qid = GetParaValue(cmd, HostString(HS_QID));
    if (!list || qid.empty() || !list->IsPaged()) return false;
    const std::string held = list->m_mapQueryInfo[HostString(HS_QID)];
    if (qid != held && "\"" + qid + "\"" != held) return false;  // not the query the list holds
    // The switch has forgotten it: nothing to release on close.
    m_listQid.remove_if([&](const QidList& q) { return q.list == list && q.qid == held; });
    return list->RenewQuery();
}

void CUserObjWnd::CountOffReport() {
    // Every report counts, a partial one too; so an answer in several
    // reports would leave the count below zero and the next command would
    // then neither lock the window nor show it busy.
    m_nMMLCount = std::max(0, m_nMMLCount - 1);
}

void CUserObjWnd::ProcessRst(const char* reportText) {
    CountOffReport();
    const std::string report = reportText ? reportText : "";
    CObjArray parsed;
    const bool parseOk = Parse(report, 1, parsed) >= 0;
    if (!parseOk) {
        ClearBatchState();
        m_bCentrexRefresh = FALSE;
        m_strReport = HostString(10066) + parsed.GetCommand();
        PostMessage(this, msg::WM_SHOWREPORT, 1, 1);
    }
    const std::string cmd = parsed.GetCommand();
    if (cmd.empty()) return UpdateBusyState();
    if (DeliverToTap(cmd, parseOk ? &parsed : nullptr)) return UpdateBusyState();
    auto senderIt = m_mapCmdSender.find(cmd);
    if (senderIt == m_mapCmdSender.end()) return UpdateBusyState();  // not ours
    CComObj* sender = senderIt->second;
    if (parsed.GetContinueFlag() == 0 || !parseOk) m_mapCmdSender.erase(senderIt);
    if (!sender) return UpdateBusyState();
    auto descIt = m_mapObjDesc.find(sender);
    CObjDescData* desc = descIt == m_mapObjDesc.end() ? nullptr : descIt->second;

    IFrmDatabase* db = m_pMainFrame ? m_pMainFrame->GetDatabase() : nullptr;
    const bool retOk = parseOk && db && db->IsReturnCodeSuccessful(parsed.GetRetCode());
    const bool changeOk = retOk && !IsQueryCmd(cmd);
    if (!desc) {
        m_strReport = report;
        PostMessage(this, msg::WM_SHOWREPORT, 3, !changeOk);
        // A command object's refused command comes back to the operator
        // with what was entered, after the report.
        sender->CommandEnded(cmd, !retOk);
        return UpdateBusyState();
    }
    DWORD opId = 0;
    WORD actType = 0;
    if (!desc->GetOpIDAndActID(cmd, opId, actType)) return UpdateBusyState();

    // A page whose query the switch forgot: the list asks for itself again
    // and the page comes with the new query, without a word to the operator.
    if (!retOk && parseOk && actType == ACT_BROWSER && RenewLostQuery(parsed, *desc, cmd)) {
        desc->ProcessCmdRslt(cmd, FALSE, {}, {});
        return UpdateBusyState();
    }
    if (!retOk) {
        ClearBatchState();
        m_bCentrexRefresh = FALSE;
        if (parseOk) {
            m_strReport = cmd + parsed.GetResultText();
            const SComObj& obj = desc->GetComObj()->GetDesc();
            const std::string meaning =
                db ? db->GetReturnCodeText(parsed.GetRetCode()) : std::string();
            m_strRefusal = feedback::RefusalText(obj, opId, cmd, meaning, parsed.GetResultText());
            m_strRefusalDetails =
                feedback::RefusalDetails(obj, cmd, parsed.GetRetCode(), parsed.GetResultText());
            feedback::ShowStatus(
                this, feedback::OperationNamed(obj, opId, cmd) + ": " +
                          (meaning.empty() ? platform::Trim(parsed.GetResultText()) : meaning));
            const WORD retType = db ? db->GetTypeofReturnCode(parsed.GetRetCode()) : 1;
            // The window cannot show this object at all: it closes, once.
            if (!m_bRetTypeHandled && retType == 2 && actType == ACT_BROWSER) {
                m_bRetTypeHandled = TRUE;
                SendMessage(this, msg::WM_SHOWREPORT, 2, 1);
                QMetaObject::invokeMethod(this, [this] { OnClose(); }, Qt::QueuedConnection);
                return UpdateBusyState();
            }
            // A change refused because the record changed meanwhile goes
            // back to the operator as a conflict, not as a refusal.
            if (!desc->GetComObj()->TakeRefusal(cmd, parsed.GetRetCode(), parsed.GetResultText()))
                SendMessage(this, msg::WM_SHOWREPORT, 1, 1);
        }
        if (actType == ACT_DETAIL)
            desc->GetDynData()->ProcessDetailViewRslt(cmd, FALSE, CDetailData{});
        else
            desc->ProcessCmdRslt(cmd, FALSE, {}, {});
        return UpdateBusyState();
    }

    std::string block;
    if (actType == ACT_BROWSER)
        desc->GetListCmdReportBlockName(0, block);
    else
        desc->GetCmdReportBlockName(opId, block);

    if (actType == ACT_BROWSER) {
        if (block.empty() && parsed.GetObjectCount() > 0)
            block = std::string(parsed.GetObjectName(parsed.GetObjectCount() - 1));
        auto* list = dynamic_cast<CObjListCtrl*>(desc->GetDynData()->GetWnd());
        // A page names its query; anything else is a query of its own.
        const bool page = !GetParaValue(cmd, HostString(HS_QID)).empty();
        if (list && !page) list->NoteResultCommand(cmd);
        // Every window's lists page: subscribers, Centrex and numbers alike.
        if ((m_bUserCfg || m_bCentrexCfg || m_bNumSegCfg) && list && CheckPagedQuery(parsed, list)) {
            const int total = list->m_nTotalRecords;
            if (total <= 0) {
                list->m_fRowScale = 1.0f;
                desc->ProcessCmdRslt(cmd, TRUE, {}, {});
                if (m_bUpdateInvoked || m_bLstAfterRmv) AfterResult();
                return UpdateBusyState();
            }
            list->m_fRowScale = total > CObjListCtrl::kMaxRows
                                    ? static_cast<float>(total / static_cast<double>(CObjListCtrl::kMaxRows))
                                    : 1.0f;
            list->FirstPageOfQuery(total, list->m_nPageBegin, list->m_nPageEnd);
            std::map<std::string, std::string> params{
                {HostString(HS_QID), list->m_mapQueryInfo[HostString(HS_QID)]},
                {HostString(HS_PAGE_BEGIN), platform::Format("%d", list->m_nPageBegin)},
                {HostString(HS_PAGE_END), platform::Format("%d", list->m_nPageEnd)}};
            ExecuteCmd(HostString(HS_PAGE_CMD), list->m_obj ? list->m_obj->GetComObj() : sender, &params);
            return;  // the page comes as a report of its own
        }
        // A whole result (a filter, a sub-object list) after a paged query:
        // the query's placeholders and count are not this result's. A page
        // of the query names it and keeps it.
        if (list && list->IsPaged() && !page) list->ForgetQuery();
        std::vector<std::string> header;
        CDataTable table;
        int first = 0, last = 0;
        if (GetReportBlock(parsed, block, header, table) == -1 && parsed.GetObjectList(block, first, last)) {
            // The block is there but does not hold together (the operator was
            // told): the rows shown stay as they are.
            if (cmd == m_strRstCmd) {
                m_tableRst.RemoveAll();
                m_strRstCmd.clear();
            }
            ClearBatchState();
            return UpdateBusyState();
        }
        if (parsed.GetContinueFlag()) {
            if (cmd != m_strRstCmd) {
                m_tableRst.RemoveAll();
                m_strRstCmd = cmd;
            }
            m_tableRst.Append(table);
            return;
        }
        if (cmd == m_strRstCmd) {
            m_tableRst.Append(table);
            desc->ProcessCmdRslt(cmd, retOk, header, m_tableRst);
            m_tableRst.RemoveAll();
            m_strRstCmd.clear();
        } else {
            desc->ProcessCmdRslt(cmd, retOk, header, table);
        }
        if (m_bUpdateInvoked || m_bLstAfterRmv) AfterResult();
        return UpdateBusyState();
    }
    if (actType == ACT_DETAIL) {
        ProcessDetail(parsed, *desc, cmd, retOk);
        return UpdateBusyState();
    }
    if (actType == ACT_SHOWREPORT || actType == ACT_COMMAND) {
        desc->ProcessCmdRslt(cmd, retOk, {}, {});
        m_strReport = report;
        // The MML text of a release names no operation: its operation's
        // command name tells it apart.
        const auto& ops = desc->GetComObj()->GetOpTable();
        const auto op = ops.find(opId);
        const bool release = op != ops.end() && op->second.cmdName.find(HostString(HS_RELEASE_CMD)) != std::string::npos;
        if (!release) PostMessage(this, msg::WM_SHOWREPORT, 3, !changeOk);
        if (changeOk && !release)
            feedback::ShowStatus(this, feedback::DoneText(desc->GetComObj()->GetDesc(), actType,
                                                          opId, cmd, parsed.GetResultText()));
        return UpdateBusyState();
    }
    desc->ProcessCmdRslt(cmd, retOk, {}, {});
    feedback::ShowStatus(this, feedback::DoneText(desc->GetComObj()->GetDesc(), actType, opId, cmd,
                                                  parsed.GetResultText()));
    if (m_bCentrexRefresh && m_pCentrexView) {
        m_bCentrexRefresh = FALSE;
        if (m_pCentrexView->m_pCentrexDlg && m_pCentrexView->m_pCentrexDlg->GetMainObjDesc())
            m_pCentrexView->m_pCentrexDlg->GetMainObjDesc()->InvokeUpdate();
    }
    UpdateBusyState();
}

void CUserObjWnd::ProcessDetail(const CObjArray& report, CObjDescData& desc, const std::string& cmd, bool ok) {
    CDetailData detail;
    const int objects = report.GetObjectCount();
    // Pass 1: every value of every property as a single value.
    for (int o = 0; o < objects; ++o) {
        const std::string name(report.GetObjectName(o));
        for (int k = 0; k < report.GetPropertyCount(o); ++k) {
            const CMapStringToStringArray* p = report.GetProperty(o, k);
            if (!p) break;
            for (int v = 0; v < p->GetNumOfValue(); ++v)
                detail.Insert(name, std::string(p->GetKeyValue(0)), std::make_shared<CSinglePropValue>(std::string(p->GetValue(v))));
        }
    }
    // Pass 2: an object alone keeps its properties (several values as a
    // one-column table); a run of objects of one name becomes one table.
    for (int i = 0; i < objects;) {
        const std::string name(report.GetObjectName(i));
        int first = i, last = i;
        report.GetObjectList(name, first, last, i);
        if (first == last) {
            bool missing = false;
            for (int k = 0; k < report.GetPropertyCount(i) && !missing; ++k) {
                const CMapStringToStringArray* p = report.GetProperty(i, k);
                if (!p) { missing = true; break; }
                const std::string key(p->GetKeyValue(0));
                if (p->GetNumOfValue() < 2) {
                    detail.Insert(name, key, std::make_shared<CSinglePropValue>(std::string(p->GetValue(0))));
                } else {
                    auto multi = std::make_shared<CExtMultiPropValue>();
                    multi->AddColumn(key);
                    for (int v = 0; v < p->GetNumOfValue(); ++v) multi->AddRowValue(v, 0, std::string(p->GetValue(v)));
                    detail.Insert(name, key, multi);
                }
            }
            if (missing) break;
            ++i;
            continue;
        }
        auto multi = std::make_shared<CExtMultiPropValue>();
        for (int k = 0; k < report.GetPropertyCount(first); ++k)
            multi->AddColumn(std::string(report.GetProperty(first, k)->GetKeyValue(0)));
        bool missing = false;
        for (int o = first; o <= last && !missing; ++o) {
            for (int k = 0; k < report.GetPropertyCount(first); ++k) {
                const CMapStringToStringArray* p = report.GetProperty(o, k);
                if (!p) { missing = true; break; }
                for (int v = 0; v < p->GetNumOfValue(); ++v) multi->AddRowValue(o - first, k, std::string(p->GetValue(v)));
            }
        }
        detail.Insert(name, std::string(), multi);
        if (missing) break;
        i = last + 1;
    }
    detail.SetNote(ResultNote(report));
    desc.GetDynData()->ProcessDetailViewRslt(cmd, ok, detail);
}

std::string CUserObjWnd::ResultNote(const CObjArray& report) const {
    // The result text begins with the return code's own text; what follows
    // it is the switch's word on this answer.
    IFrmDatabase* db = m_pMainFrame ? m_pMainFrame->GetDatabase() : nullptr;
    const std::string plain = db ? db->GetReturnCodeText(report.GetRetCode()) : std::string();
    std::string_view note = report.GetResultText();
    if (!plain.empty() && note.substr(0, plain.size()) == plain) note.remove_prefix(plain.size());
    return std::string(platform::TrimView(note));
}

LRESULT CUserObjWnd::ShowReport(WPARAM kind, LPARAM flag) {
    std::string text = m_strReport;
    const std::string caption = windowTitle().toStdString();
    if (kind == 1 || kind == 2) {
        // A refusal the window could put in words shows them, the command
        // behind "Details"; anything else shows the report text.
        std::string details = std::exchange(m_strRefusalDetails, {});
        if (!m_strRefusal.empty())
            text = std::exchange(m_strRefusal, {});
        else
            for (char& c : text)
                if (c == ';') c = ' ';
        if (kind == 2) text += HostString(10124);
        m_report.Show(this, nullptr,
                      {false, std::move(text), std::move(details), caption, MB_OK | MB_ICONWARNING});
        return 1;
    }
    if (flag) {
        ViewOpMenuRslt(m_strReport);
    } else {
        std::string msgText;
        if (m_bCmdObjCfg && m_pCmdListView) msgText = m_pCmdListView->CurrentCmdName() + " ";
        m_report.Show(this, nullptr, {false, msgText + HostString(10264), {}, caption, MB_OK | MB_ICONINFORMATION});
    }
    return 1;
}

void CUserObjWnd::ViewOpMenuRslt(const std::string& text) {
    m_report.Show(this, m_pMainFrame ? m_pMainFrame->GetHostFrame() : nullptr, {true, text, {}, {}, 0});
}
