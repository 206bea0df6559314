// Splitter bars.
#include "SplitterBar.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

#include "MsgTarget.h"
#include "userobj/Messages.h"

bool CSplitterBar::BindWithControl(QWidget* parent, int controlId) {
    m_parent = parent;
    m_bar = parent ? parent->findChild<QWidget*>(QStringLiteral("ctl%1").arg(controlId)) : nullptr;
    if (m_bar) {
        m_bar->installEventFilter(this);
        m_bar->setCursor(m_bVertical ? Qt::SplitHCursor : Qt::SplitVCursor);
        m_bar->setProperty("controlId", controlId);
    }
    return true;  // a missing control simply never gets input
}

bool CxSplitterWnd::BindWithControl(QWidget* parent, int controlId) {
    SetMinWidth(10, 10);
    return CSplitterBar::BindWithControl(parent, controlId);
}

void CSplitterBar::Unbind() {
    DetachAllPanes();
    if (m_bar) m_bar->removeEventFilter(this);
    m_bar = nullptr;
}

void CSplitterBar::DetachAllPanes() {
    m_aFirst.clear();
    m_aSecond.clear();
}

QWidget* CSplitterBar::Pane(int id) const {
    return m_parent ? m_parent->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id)) : nullptr;
}

QRect CSplitterBar::ScreenRect(const QWidget* w) const {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

void CxSplitterWnd::RecalcLayout() {
    if (!m_bar || !m_parent) return;
    const QRect b = m_bar->geometry();
    for (int id : m_aFirst)
        if (QWidget* p = Pane(id)) {
            QRect r = p->geometry();
            r.setRight(b.left() - 1 - 1);  // one pixel of gap, as a right edge is inclusive here
            p->setGeometry(r);
        }
    for (int id : m_aSecond)
        if (QWidget* p = Pane(id)) {
            QRect r = p->geometry();
            r.setLeft(b.right() + 1 + 1);
            p->setGeometry(r);
        }
    m_parent->update();
}

void CySplitterWnd::RecalcLayout() {
    if (!m_bar || !m_parent) return;
    const QRect b = m_bar->geometry();
    for (int id : m_aFirst)
        if (QWidget* p = Pane(id)) {
            QRect r = p->geometry();
            r.setBottom(b.top() - 1 - 1);
            p->setGeometry(r);
        }
    // Headers (positions 0 and 2) sit right below the bar at their height;
    // the other panes stretch from below the last header down.
    int h = 0;
    for (size_t i = 0; i < m_aSecond.size(); ++i) {
        QWidget* p = Pane(m_aSecond[i]);
        if (!p) continue;
        QRect r = p->geometry();
        if (i == 0 || i == 2) {
            h = r.height();
            p->move(r.left(), b.bottom() + 1 + 1);
            p->raise();
        } else {
            r.setTop(b.bottom() + h + 1 + 1);
            p->setGeometry(r);
        }
    }
    m_parent->update();
}

bool CxSplitterWnd::GetMouseClipRect(QRect& clip, QPoint press) const {
    if (!m_bar || !m_parent) return false;
    const QRect b = ScreenRect(m_bar), p = ScreenRect(m_parent);
    int lo = p.left() + m_nFirstMin;
    for (int id : m_aFirst)
        if (QWidget* w = Pane(id)) lo = std::max(lo, ScreenRect(w).left() + m_nFirstMin);
    int hi = p.right() + 1 - m_nSecondMin;
    for (int id : m_aSecond)
        if (QWidget* w = Pane(id)) hi = std::min(hi, ScreenRect(w).right() + 1 - m_nSecondMin);
    if (lo >= hi) return false;
    // right edge exclusive, as the window system keeps it
    clip = QRect(QPoint(lo + press.x(), b.top()), QPoint(hi + press.x() - b.width() + 1 - 1, b.bottom()));
    return true;
}

bool CySplitterWnd::GetMouseClipRect(QRect& clip, QPoint press) const {
    if (!m_bar || !m_parent) return false;
    const QRect b = ScreenRect(m_bar), p = ScreenRect(m_parent);
    int lo = p.top() + m_nFirstMin;
    for (int id : m_aFirst)
        if (QWidget* w = Pane(id)) lo = std::max(lo, ScreenRect(w).top() + m_nFirstMin);
    const int hi = p.bottom() + 1 - m_nSecondMin;
    if (lo >= hi) return false;
    clip = QRect(QPoint(b.left(), lo + press.y()), QPoint(b.right(), hi + press.y() - b.height() + 1 - 1));
    return true;
}

bool CSplitterBar::eventFilter(QObject* o, QEvent* e) {
    // While dragging, every event of the application passes here first: a
    // bar that no longer holds the mouse (another window took it, or the
    // bar's window lost the activation) ends its drag where it was drawn.
    if (m_dragging && (!m_bar || QWidget::mouseGrabber() != m_bar ||
                       (e->type() == QEvent::WindowDeactivate && o == m_bar->window())))
        EndDrag();
    if (o != m_bar) return QObject::eventFilter(o, e);
    switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(e);
            if (m_dragging && me->button() == Qt::RightButton) {
                EndDrag();
                return true;
            }
            if (!m_dragging && me->button() == Qt::LeftButton) BeginDrag(me->position().toPoint());
            return true;
        }
        case QEvent::MouseMove:
            if (m_dragging) MoveDrag(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
            return m_dragging;
        case QEvent::MouseButtonRelease:
            if (m_dragging) EndDrag();
            return true;
        case QEvent::KeyPress:
            if (m_dragging) {
                if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) EndDrag();
                return true;  // every other key is swallowed during a drag
            }
            return false;
        default:
            return QObject::eventFilter(o, e);
    }
}

void CSplitterBar::BeginDrag(QPoint press) {
    if (QWidget::mouseGrabber() || !GetMouseClipRect(m_clip, press)) return;
    m_press = press;
    m_start = m_bar->geometry();
    m_shift = 0;
    m_bar->grabMouse();
    m_bar->grabKeyboard();
    m_band = std::make_unique<QRubberBand>(QRubberBand::Rectangle, m_parent);
    m_band->setGeometry(m_start);
    m_band->show();
    m_dragging = true;
    qApp->installEventFilter(this);
}

void CSplitterBar::MoveDrag(QPoint global) {
    // The cursor stays inside the clip rectangle; the band follows it.
    const QPoint g(std::clamp(global.x(), m_clip.left(), std::max(m_clip.left(), m_clip.right())),
                   std::clamp(global.y(), m_clip.top(), std::max(m_clip.top(), m_clip.bottom())));
    const QPoint local = m_bar->mapFromGlobal(g) + (m_bar->geometry().topLeft() - m_start.topLeft());
    m_shift = m_bVertical ? local.x() - m_press.x() : local.y() - m_press.y();
    m_band->setGeometry(m_start.translated(m_bVertical ? m_shift : 0, m_bVertical ? 0 : m_shift));
}

void CSplitterBar::EndDrag() {
    m_dragging = false;
    qApp->removeEventFilter(this);
    m_band.reset();
    if (!m_bar) return;  // gone in the middle of the drag
    if (QWidget::mouseGrabber() == m_bar) m_bar->releaseMouse();
    if (QWidget::keyboardGrabber() == m_bar) m_bar->releaseKeyboard();
    if (m_shift == 0) return;
    m_bar->setGeometry(m_start.translated(m_bVertical ? m_shift : 0, m_bVertical ? 0 : m_shift));
    RecalcLayout();
    SendMessage(m_parent, msg::WM_SPLITTER_MOVED, static_cast<WPARAM>(static_cast<intptr_t>(m_shift)),
                m_bar->property("controlId").toInt());
}
