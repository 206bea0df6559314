// The object window: sending commands, accounting for them, the V5 batch
// state machine and the busy lock.
#include <QApplication>

#include "CentrexDlg.h"
#include "CmdText.h"
#include "Filter.h"
#include "FormViews.h"
#include "HostStrings.h"
#include "ObjListCtrl.h"
#include "Trace.h"
#include "UiService.h"
#include "UserObjWnd.h"
#include "V5UserDlg.h"
#include "hostlibs/HostStringIds.h"
#include "userobj/HostContract.h"
#include "userobj/Messages.h"

void CUserObjWnd::ClearBatchState() {
    m_bAddPending = m_bRmvPending = m_bUpdateInvoked = m_bLstAfterRmv = FALSE;
}

LRESULT CUserObjWnd::OnSendMMLMsg(WPARAM wParam, LPARAM lParam) {
    auto* sender = FromWParam<CComObj>(wParam);
    const char* raw = FromLParam<const char>(lParam);
    const std::string text = raw ? raw : "";
    if (PreSendCheck(text, sender) == 1) return 1;
    if (!m_pMainFrame || !m_pMainFrame->SendCommands(text, this)) {
        ClearBatchState();
        m_bCentrexRefresh = FALSE;
        return 0;
    }
    ++m_nMMLCount;
    UpdateBusyState();
    if (sender) m_mapCmdSender[text] = sender;
    return 1;
}

int CUserObjWnd::PreSendCheck(const std::string& text, CComObj* sender) {
    m_bCentrexRefresh = FALSE;
    auto* v5 = dynamic_cast<CV5UserDlg*>(m_pActiveDlg);
    if (v5 && v5->GetActiveListCtrl()) {
        const int cls = ClassifyCmd(text);
        auto addNumber = [&](int nameString) {
            const std::string v = GetParaValue(text, HostString(nameString));
            if (v.empty()) return;
            m_nAddNumber = std::atoi(v.c_str());
            m_bAddPending = TRUE;
            m_bRmvPending = m_bUpdateInvoked = m_bLstAfterRmv = FALSE;
        };
        if (cls == CMD_ADB) addNumber(HS_V5_RANGE_FIRST);
        else if (cls == CMD_ADD) addNumber(HS_V5_ADD_NUMBER);
        else if (cls == CMD_RMV || cls == CMD_RVB) {
            m_bRmvPending = TRUE;
            m_bAddPending = m_bUpdateInvoked = m_bLstAfterRmv = FALSE;
        }
        if (!m_bAddPending) {
            if (m_bRmvPending && cls == CMD_LST) {
                m_bLstAfterRmv = TRUE;
                m_bAddPending = m_bRmvPending = m_bUpdateInvoked = FALSE;
            }
            return 0;
        }
        if (cls != CMD_LST) return 0;  // the add itself goes out
        // The list that follows an add is held back: the subscribers are
        // listed again first, and the held list is rewritten to the port
        // range that holds the new number (AfterResult).
        m_strDeferredLst = text;
        m_pDeferredSender = sender;
        m_bAddPending = m_bRmvPending = m_bLstAfterRmv = FALSE;
        CObjDescData* main = v5->GetMainObjDesc();
        if (!main) return 0;
        m_bUpdateInvoked = TRUE;
        main->InvokeUpdate();
        return 1;
    }
    ClearBatchState();
    if (m_pCentrexView && m_pCentrexView->m_pCentrexDlg &&
        m_pCentrexView->m_pCentrexDlg->GetActiveListCtrl() == m_pCentrexView->m_pCentrexDlg->GetFirstList())
        m_bCentrexRefresh = TRUE;
    return 0;
}

void CUserObjWnd::AfterResult() {
    auto* v5 = dynamic_cast<CV5UserDlg*>(m_pActiveDlg);
    if (!m_bUpdateInvoked) {
        if (m_bLstAfterRmv) {
            m_bLstAfterRmv = FALSE;
            if (v5 && v5->GetMainObjDesc()) v5->GetMainObjDesc()->InvokeUpdate();
        }
        return;
    }
    m_bUpdateInvoked = FALSE;
    std::string lower, upper;
    if (v5) {
        QTreeWidget* tree = v5->GetPortTree();
        QTreeWidgetItem* root = tree->topLevelItemCount() ? tree->topLevelItem(0) : nullptr;
        QTreeWidgetItem* group = root && root->childCount() ? root->child(0) : nullptr;
        for (int i = 0; group && i < group->childCount() && lower.empty(); ++i) {
            const std::string t = group->child(i)->text(0).toStdString();
            const size_t dash = t.find('-');
            if (dash == std::string::npos) continue;
            const int lo = std::atoi(t.substr(0, dash).c_str()), hi = std::atoi(t.substr(dash + 1).c_str());
            if (lo <= m_nAddNumber && m_nAddNumber <= hi) {
                lower = t.substr(0, dash);
                upper = t.substr(dash + 1);
            }
        }
    }
    if (lower.empty()) lower = upper = std::to_string(m_nAddNumber);
    m_strDeferredLst = SetParaValue(m_strDeferredLst, HostString(HS_V5_RANGE_FIRST), lower);
    m_strDeferredLst = SetParaValue(m_strDeferredLst, HostString(HS_V5_RANGE_LAST), upper);
    if (m_pDeferredSender) {
        m_pDeferredSender->SetUpdateCommand(m_strDeferredLst);
        m_pDeferredSender->InvokeUpdate();
    }
}

void CUserObjWnd::UpdateBusyState() {
    SendMessageToDescendants(this, msg::WM_BUSYLOCK, static_cast<WPARAM>(m_nMMLCount), 0);
    QWidget* content = widget();
    if (m_nMMLCount > 0) {
        if (!m_bWaitCursor) {
            // Over this window only: the others stay usable meanwhile.
            setCursor(Qt::WaitCursor);
            m_bWaitCursor = true;
        }
        if (content && content->isEnabled()) {
            m_lastFocus = QApplication::focusWidget();
            // The focus stays with this window: left to itself it would move
            // on into another window, which the MDI area would then activate.
            if (m_lastFocus && content->isAncestorOf(m_lastFocus)) setFocus();
            content->setUpdatesEnabled(false);
            content->setEnabled(false);
            m_greyLook.start();
        }
    } else {
        if (m_bWaitCursor) {
            unsetCursor();
            m_bWaitCursor = false;
        }
        if (content && !content->isEnabled()) {
            m_greyLook.stop();
            content->setEnabled(true);
            content->setUpdatesEnabled(true);
            // Keys go on where they were: paging through a list must not lose it.
            if (m_lastFocus && content->isAncestorOf(m_lastFocus))
                m_lastFocus->setFocus();
            else if (hasFocus() && m_pActiveDlg && m_pActiveDlg->GetActiveListCtrl())
                m_pActiveDlg->GetActiveListCtrl()->setFocus();  // a new window: its list
        }
    }
    UpdateToolBar();  // results change rows and filters; refresh follows the count
}

void CUserObjWnd::KillCmdNotify(const char* command) {
    CountOffReport();
    UpdateBusyState();
    const std::string text = command ? command : "";
    if (DeliverToTap(text, nullptr)) return;
    auto it = m_mapCmdSender.find(text);
    if (it == m_mapCmdSender.end()) return;
    CComObj* sender = it->second;
    m_mapCmdSender.erase(it);
    if (auto d = m_mapObjDesc.find(sender); d != m_mapObjDesc.end()) d->second->KillCmd(text);
}

LRESULT CUserObjWnd::OnCreateOrActiveObjWnd(WPARAM wParam, LPARAM lParam) {
    auto* ident = FromWParam<SObjWndIdentity>(wParam);
    auto* value = FromLParam<SObjWndValue>(lParam);
    auto block = std::make_unique<SIdentityBlock>();
    std::memset(block.get(), 0, sizeof(SIdentityBlock));
    if (ident) {
        block->objId = ident->objId;
        CopyField(block->text1, ident->text ? ident->text : "");
    }
    if (value) {
        CopyField(block->text2, value->text ? value->text : "");
        block->value = static_cast<DWORD>(value->value);
    }
    if (m_pMainFrame) m_pMainFrame->Send(msg::WM_OBJIDENTITY, ToWParam(block.get()), msg::IDENT_OPEN_OTHER);
    return 1;
}

int CUserObjWnd::ExecuteCmd(const std::string& text, CComObj* obj,
                            const std::map<std::string, std::string>* params) {
    if (!obj) return 0;
    std::string command;
    if (text.find(':') != std::string::npos) {
        command = text;
    } else if (text == HostString(HS_FILTER_CMD)) {
        // The interactive filter: the operator edits the list's filter.
        CCmd cmd;
        if (!GetFilterBaseCmd(*obj, cmd)) return 0;
        CObjListCtrl* list = m_pActiveDlg ? m_pActiveDlg->GetActiveListCtrl() : nullptr;
        if (!list) return 0;
        if (!list->m_bUnfiltered)
            LoadCmdText(cmd, list->m_strFilterCommand);
        else if (CDynData* data = obj->GetDynData())
            data->FillPara(cmd, {}, nullptr);
        ICmdParamEditor* editor = GetCmdParamEditor();
        if (editor && editor->EditCommand(cmd, this) != IDOK) return 0;
        list->m_bUnfiltered = FALSE;
        command = cmd.Format();
        list->m_strFilterCommand = command;
    } else {
        std::vector<DWORD> codes;
        std::vector<std::string> names;
        obj->EnumCmd(codes, names);
        bool matched = false;
        for (DWORD code : codes) {
            const auto found = obj->GetCmdTable().find(code);
            if (found == obj->GetCmdTable().end()) continue;  // an operation without a template sends nothing
            const SCmd& rec = found->second;
            CCmd cmd;
            obj->GetCmdByOpID(cmd, code);
            const bool contains = rec.text2.find(text) != std::string::npos;
            if (contains && text == HostString(HS_RELEASE_CMD)) {
                // Release: the query leaves the window's list of queries.
                if (params) {
                    auto q = params->find(HostString(HS_QID));
                    if (q != params->end())
                        for (auto it = m_listQid.begin(); it != m_listQid.end(); ++it)
                            if (it->qid == q->second) {
                                m_listQid.erase(it);
                                break;
                            }
                }
                command = cmd.Format(params ? *params : std::map<std::string, std::string>{});
                matched = true;
                break;
            }
            if (rec.opKind != ACT_COMMAND || !contains) continue;
            if (!params) return 0;  // nothing is sent without parameters
            command = cmd.Format(*params);
            matched = true;
            break;
        }
        if (!matched) return 0;
    }
    if (command.empty()) return 0;
    obj->SendMML(command);
    COpInfo info;
    info.kind = command.find(HostString(HS_RELEASE_CMD)) != std::string::npos ? 10 : 1;
    if (CDynData* data = obj->GetDynData()) data->InsertNewOpInfo(command, info);
    return 1;
}
