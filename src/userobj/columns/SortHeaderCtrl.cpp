// The list header with its sort arrow.
#include "SortHeaderCtrl.h"

#include <QMouseEvent>
#include <QPainter>

CSortHeaderCtrl::CSortHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CSortHeaderCtrl::SetSortArrow(int column, bool ascending) {
    m_nSortColumn = column;
    m_bSortAscending = ascending;
    viewport()->update();
}

void CSortHeaderCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_bPressed = true;
    QHeaderView::mousePressEvent(e);
}

void CSortHeaderCtrl::mouseReleaseEvent(QMouseEvent* e) {
    QHeaderView::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton || !m_bPressed) return;
    m_bPressed = false;
    emit pressReleased();
}

void CSortHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    const QPalette& pal = palette();
    painter->fillRect(rect, pal.button());
    painter->setPen(pal.mid().color());
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    const int o = rect.height() / 4;
    QRect text = rect;
    if (logicalIndex == m_nSortColumn) text.setRight(text.right() - 3 * o);
    text.adjust(o, 0, -o, 0);
    const QString title = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    if (text.width() > 0) {
        painter->setPen(pal.buttonText().color());
        const QString shown = fontMetrics().elidedText(title, Qt::ElideRight, text.width());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
    if (logicalIndex == m_nSortColumn) {
        // Light edges toward the light, dark ones away from it.
        const int r = rect.right(), t = rect.top();
        const QPen light(pal.light().color(), 1), dark(pal.dark().color(), 1);
        if (m_bSortAscending) {
            painter->setPen(light);
            painter->drawLine(r - 2 * o, t + o + 1, r - o, t + 3 * o + 1);
            painter->drawLine(r - o, t + 3 * o + 1, r - 3 * o - 2, t + 3 * o + 1);
            painter->setPen(dark);
            painter->drawLine(r - 3 * o - 1, t + 3 * o + 1, r - 2 * o, t + o);
        } else {
            painter->setPen(light);
            painter->drawLine(r - o - 1, t + o + 1, r - 2 * o - 1, t + 3 * o + 1);
            painter->setPen(dark);
            painter->drawLine(r - 2 * o - 2, t + 3 * o + 1, r - 3 * o - 1, t + o + 1);
            painter->drawLine(r - 3 * o - 1, t + o + 1, r - o - 1, t + o + 1);
        }
    }
    painter->restore();
}
