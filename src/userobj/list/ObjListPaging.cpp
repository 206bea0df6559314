// The object list: paging through long results 500 records at a time. The
// list shows a paged result as placeholder rows (one per record, or 10000
// scaled rows above 10000 records) and holds one page of records; moving the
// view past the page asks the switch for the page it needs.
#include <QCursor>
#include <QScrollBar>

#include <cmath>
#include <cstdio>

#include "HostStrings.h"
#include "ModuleState.h"
#include "ObjListCtrl.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "UserObjWnd.h"
#include "hostlibs/HostStringIds.h"

int CObjListCtrl::TopRow() const { return verticalScrollBar()->value(); }

int CObjListCtrl::RowsPerPage() const {
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    return std::max(1, viewport()->height() / rowHeight);
}

void CObjListCtrl::FetchPage(int begin, int end, bool requested) {
    m_nPageBegin = begin;
    m_nPageEnd = end;
    if (requested) m_bPageRequested = TRUE;
    CUserObjWnd* w = ObjectWindow();
    if (!w || !m_obj) {
        W2L_FAIL("NULL Pointer!");
        return;
    }
    const std::map<std::string, std::string> params{
        {HostString(HS_QID), m_mapQueryInfo[HostString(HS_QID)]},
        {HostString(HS_PAGE_BEGIN), platform::Format("%d", begin)},
        {HostString(HS_PAGE_END), platform::Format("%d", end)}};
    w->ExecuteCmd(HostString(HS_PAGE_CMD), m_obj->GetComObj(), &params);
}

void CObjListCtrl::ScheduleShownPageCheck() {
    // Once the event that moved the view is done: a wheel turn sends many
    // steps, and the page is fetched for where the view came to rest.
    if (m_bShownCheckPending) return;
    m_bShownCheckPending = true;
    QMetaObject::invokeMethod(this, [this] {
        m_bShownCheckPending = false;
        FetchShownPage();
    }, Qt::QueuedConnection);
}

void CObjListCtrl::FetchShownPage() {
    const int total = m_nTotalRecords;
    if (!IsPaged() || total <= kPageSize || !m_obj || g_nListLock > 0) return;
    const int p = TopRow(), last = std::min(p + RowsPerPage(), m_model.rowCount());
    bool missing = false;
    for (int r = p; r < last && !missing; ++r) missing = m_model.ItemData(r) == 0;
    if (!missing) return;
    const int c = m_fRowScale > 1.0f ? static_cast<int>(p * static_cast<double>(m_fRowScale)) : p;
    int b = std::max(0, c - kPageSize / 2), e = b + kPageSize - 1;
    if (e >= total) {
        b = total - kPageSize;
        e = total - 1;
    }
    // The page asked for last is the one held: a view taller than a page
    // must not ask for it again and again.
    if (b == m_nPageBegin && e == m_nPageEnd) return;
    m_nCursorRecord = c;
    m_nViewTop = p;
    m_nPageDirection = PAGE_VIEW;
    FetchPage(b, e, false);
}

void CObjListCtrl::ForgetQuery() {
    m_mapQueryInfo.clear();
    m_nTotalRecords = -1;
    m_fRowScale = 1.0f;
    m_nPageBegin = m_nPageEnd = 0;
    m_nCursorRecord = 0;
    m_nPageDirection = 255;
    m_bPageRequested = FALSE;
}

bool CObjListCtrl::RenewQuery() {
    if (m_bQueryRenewed || !m_obj) {
        // Lost again before it showed a record: told as any refusal, and
        // the next move of the operator may renew it once more.
        m_bRenewingQuery = m_bQueryRenewed = false;
        return false;
    }
    m_bRenewingQuery = m_bQueryRenewed = true;
    W2L(2, __FILE_NAME__, __LINE__, "%s: query %s is gone, asking for the list again", m_strListKey.c_str(),
        m_mapQueryInfo[HostString(HS_QID)].c_str());
    if (AskQueryAgain()) return true;
    m_bRenewingQuery = m_bQueryRenewed = false;
    return false;
}

void CObjListCtrl::FirstPageOfQuery(int total, int& begin, int& end) {
    int b = 0;
    if (m_bRenewingQuery) {
        // The page that was lost, moved back as far as the records that are
        // gone since; the cursor moves with it.
        m_bRenewingQuery = false;
        b = std::max(0, std::min(m_nPageBegin, total - kPageSize));
        m_nCursorRecord = std::max(0, std::min(m_nCursorRecord + b - m_nPageBegin, total - 1));
    }
    begin = b;
    end = std::max(0, std::min(b + kPageSize, total) - 1);
}

void CObjListCtrl::PageCheckKey(int key) {
    const int total = m_nTotalRecords;
    if (!IsPaged() || total <= kPageSize) return;
    const int p = TopRow(), h = RowsPerPage();
    const bool scaled = m_fRowScale > 1.0f;
    const int before = m_nPageBegin <= kPageSize ? 0 : m_nPageBegin - kPageSize;
    switch (key) {
        case Qt::Key_PageUp:
        case Qt::Key_Up: {
            if (!scaled) {
                if (p < m_nPageBegin) {
                    m_nPageDirection = PAGE_BACKWARD;
                    FetchPage(before, before + kPageSize - 1, true);
                }
                return;
            }
            if (key == Qt::Key_PageUp && m_nCursorRecord > h) m_nCursorRecord -= h;
            if (key == Qt::Key_Up && m_nCursorRecord > 0) m_nCursorRecord -= 1;
            const int limit = key == Qt::Key_PageUp ? m_nPageBegin : m_nPageBegin - 1;
            if (m_nCursorRecord < limit) {
                m_nPageDirection = PAGE_BACKWARD;
                FetchPage(before, before + kPageSize - 1, true);
                m_nCursorRecord = m_nPageEnd - h;
            }
            return;
        }
        case Qt::Key_PageDown:
        case Qt::Key_Down: {
            const int next = m_nPageEnd + 1, last = std::min(next + kPageSize - 1, total - 1);
            if (!scaled) {
                const int reach = key == Qt::Key_Down ? m_nPageEnd + 1 : m_nPageEnd;
                if (p + h > reach && p + h < total) {
                    m_nPageDirection = PAGE_FORWARD;
                    FetchPage(next, last, true);
                }
                return;
            }
            const int step = key == Qt::Key_PageDown ? h : 1;
            if (m_nCursorRecord + step < total) m_nCursorRecord += step;
            if (m_nCursorRecord + h > m_nPageEnd && m_nCursorRecord + h < total) {
                m_nPageDirection = PAGE_FORWARD;
                FetchPage(next, last, true);
                m_nCursorRecord = next;
            }
            return;
        }
        case Qt::Key_End: {
            if (m_nPageEnd == total - 1) return;
            const double reach = scaled ? p * static_cast<double>(m_fRowScale) + h : p + h;
            if (reach > m_nPageEnd && reach <= total) {
                m_nPageDirection = PAGE_JUMP;
                FetchPage(total - kPageSize, total - 1, true);
                m_nCursorRecord = scaled ? m_nPageEnd - h : m_nPageEnd - h + 1;
            }
            return;
        }
        case Qt::Key_Home:
            if (m_nPageBegin >= 1) {
                m_nPageDirection = PAGE_JUMP;
                FetchPage(0, std::min(kPageSize, total) - 1, true);
                m_nCursorRecord = 0;
            }
            return;
        default:
            return;  // left, right, insert, delete and enter never fetch
    }
}

void CObjListCtrl::PageCheckScroll(int action, int p) {
    const int total = m_nTotalRecords;
    if (!IsPaged() || total <= kPageSize || !m_obj) return;
    const int h = RowsPerPage();
    const bool scaled = m_fRowScale > 1.0f;
    const int before = m_nPageBegin <= kPageSize ? 0 : m_nPageBegin - kPageSize;
    const int next = m_nPageEnd + 1, last = std::min(next + kPageSize - 1, total - 1);
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
        case QAbstractSlider::SliderPageStepSub:
            if (!scaled) {
                if (p < m_nPageBegin) {
                    m_nPageDirection = PAGE_BACKWARD;
                    FetchPage(before, before + kPageSize - 1, false);
                }
            } else {
                if (action == QAbstractSlider::SliderSingleStepSub && m_nCursorRecord > 0) m_nCursorRecord -= 1;
                if (action == QAbstractSlider::SliderPageStepSub && m_nCursorRecord > h) m_nCursorRecord -= h;
                if (m_nCursorRecord < m_nPageBegin) {
                    m_nPageDirection = PAGE_BACKWARD;
                    FetchPage(before, before + kPageSize - 1, false);
                    m_nCursorRecord = m_nPageEnd - h;
                }
            }
            return;
        case QAbstractSlider::SliderSingleStepAdd:
        case QAbstractSlider::SliderPageStepAdd:
            if (!scaled) {
                if (p + h > m_nPageEnd && p + h < total) {
                    m_nPageDirection = PAGE_FORWARD;
                    FetchPage(next, last, false);
                }
            } else {
                if (action == QAbstractSlider::SliderSingleStepAdd && m_nCursorRecord + h <= total - 1) m_nCursorRecord += 1;
                if (action == QAbstractSlider::SliderPageStepAdd && m_nCursorRecord + h < total) m_nCursorRecord += h;
                if (m_nCursorRecord + h > m_nPageEnd && m_nCursorRecord + h < total) {
                    m_nPageDirection = PAGE_FORWARD;
                    FetchPage(next, last, false);
                    m_nCursorRecord = next;
                }
            }
            return;
        case QAbstractSlider::SliderToMinimum:
            if (m_nPageBegin > 0) {
                m_nPageDirection = PAGE_JUMP;
                FetchPage(0, kPageSize - 1, false);
                m_nCursorRecord = 0;
            }
            return;
        case QAbstractSlider::SliderToMaximum: {
            const double v = scaled ? p * static_cast<double>(m_fRowScale) + h : p + h;
            if (v > m_nPageEnd && v <= total && m_nPageEnd != total - 1) {
                m_nPageDirection = PAGE_JUMP;
                FetchPage(total - kPageSize, total - 1, false);
                m_nCursorRecord = m_nPageEnd - h + 1;
            }
            return;
        }
        default:
            return;
    }
}

void CObjListCtrl::OnThumbTrack(int t) {
    if (!IsPaged() || m_nTotalRecords <= kPageSize) return;  // all of it is loaded: nothing to tell
    if (!m_pTip) {
        m_pTip = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
        m_pTip->setFixedSize(60, 18);
        m_pTip->setAutoFillBackground(true);
        m_pTip->setStyleSheet(QStringLiteral("QLabel { background: rgb(255,255,192); border: none; }"));
        m_pTip->setObjectName(QStringLiteral("recordTip"));
    }
    const unsigned long record = static_cast<unsigned long>(t * static_cast<double>(m_fRowScale));
    char text[32];
    std::snprintf(text, sizeof text, "%lu", record);
    m_pTip->setText(QString::fromLatin1(text));
    m_pTip->move(QCursor::pos() + QPoint(12, 4));
    m_pTip->show();
}

void CObjListCtrl::OnThumbReleased() {
    if (m_pTip) m_pTip->hide();
    const int total = m_nTotalRecords;
    if (!IsPaged() || total <= kPageSize || !m_obj) return;
    const int t = verticalScrollBar()->sliderPosition(), h = RowsPerPage();
    const bool scaled = m_fRowScale > 1.0f;
    const int c = scaled ? static_cast<int>(t * m_fRowScale) : t;
    m_nCursorRecord = c;
    const int front = scaled ? c + h : c;
    const bool inside = front >= m_nPageBegin && (c + h <= m_nPageEnd || m_nPageEnd == total - 1);
    if (inside) return;
    int b = std::max(0, c - kPageSize / 2), e = b + kPageSize - 1;
    if (e >= total || (scaled && t + h >= kMaxRows)) {
        b = total - kPageSize;
        e = total - 1;
    }
    m_nPageDirection = PAGE_JUMP;
    FetchPage(b, e, false);
}

void CObjListCtrl::PlacePage() {
    if (m_nPageDirection == PAGE_VIEW) {
        // The rebuilt rows stand where they stood: the view does not jump.
        verticalScrollBar()->setValue(m_nViewTop);
        m_bPageRequested = FALSE;
        return;
    }
    const int c = RowsPerPage();
    const bool scaled = m_fRowScale > 1.0f;
    auto show = [this](int row) {
        row = std::max(0, std::min(row, m_model.rowCount() - 1));
        scrollTo(m_model.index(row, 0), QAbstractItemView::EnsureVisible);
    };
    if (!scaled) {
        int visible = 0, select = 0;
        switch (m_nPageDirection) {
            case PAGE_FORWARD: visible = m_nPageBegin + c - 1; select = m_nPageBegin; break;
            case PAGE_BACKWARD: visible = m_nPageEnd - 1; select = m_nPageEnd; break;
            case PAGE_JUMP: visible = m_nCursorRecord + c - 1; select = m_nCursorRecord; break;
            default: m_bPageRequested = FALSE; return;
        }
        show(visible);
        if (m_bPageRequested) SelectRow(std::min(select, m_model.rowCount() - 1));
        m_bPageRequested = FALSE;
        return;
    }
    const int rb = static_cast<int>(m_nPageBegin / m_fRowScale), re = static_cast<int>(m_nPageEnd / m_fRowScale);
    const bool fits = rb + kPageSize <= kMaxRows;
    int visible = 0, select = 0;
    switch (m_nPageDirection) {
        case PAGE_FORWARD:
            visible = fits ? rb + c - 1 : re + c - 499;
            select = fits ? rb : re + c - 500;
            break;
        case PAGE_BACKWARD:
            visible = fits ? rb + 498 : re;
            select = fits ? rb + 500 : re;
            break;
        case PAGE_JUMP:
            if (m_nPageBegin == 0) {
                visible = select = 0;
            } else if (m_nPageEnd == m_nTotalRecords - 1) {
                visible = select = re;
            } else if (m_nPageBegin / m_fRowScale + kPageSize <= kMaxRows) {
                visible = rb + c + 249;
                select = rb + 250;
            } else {
                visible = re + c - 251;
                select = re - 250;
            }
            break;
        default:
            m_bPageRequested = FALSE;
            return;
    }
    show(visible);
    // Only a key the operator pressed moves the selection: a row picked for
    // them by a drag, a sort or a refresh is one a Remove would then hit.
    if (m_bPageRequested) SelectRow(std::max(0, std::min(select, m_model.rowCount() - 1)));
    m_bPageRequested = FALSE;
}
