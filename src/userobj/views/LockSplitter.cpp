// The object window's splitter: column layout by ideal and minimum width,
// and bars that clamp their drags to the columns' minimums.
#include "LockSplitter.h"

#include <QMdiArea>
#include <QMouseEvent>
#include <QSplitterHandle>

#include <algorithm>

namespace {

// A bar that ignores the left button while its splitter is locked, and
// whose drags the splitter clamps to its columns' minimums.
class CLockHandle : public QSplitterHandle {
public:
    CLockHandle(Qt::Orientation o, CLockSplitter* parent)
        : QSplitterHandle(o, parent), m_splitter(parent) {}

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (m_splitter->m_bLock == 1) return;
        m_offset = Pick(e->position().toPoint());
        QSplitterHandle::mousePressEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (m_splitter->m_bLock == 1 || !(e->buttons() & Qt::LeftButton)) return;
        const int pos = Pick(m_splitter->mapFromGlobal(e->globalPosition().toPoint())) - m_offset;
        m_splitter->TrackBar(m_splitter->indexOf(this), pos);
    }

private:
    int Pick(QPoint p) const { return orientation() == Qt::Horizontal ? p.x() : p.y(); }
    CLockSplitter* m_splitter;
    int m_offset = 0;
};

}  // namespace

CLockSplitter::CLockSplitter(Qt::Orientation o, QWidget* parent) : QSplitter(o, parent) {
    setOpaqueResize(true);
    // A column below its minimum is hidden (a size of 0), not squeezed.
    setChildrenCollapsible(true);
}

QSplitterHandle* CLockSplitter::createHandle() {
    return new CLockHandle(orientation(), this);
}

void CLockSplitter::SetColumnInfo(int column, int ideal, int minimum) {
    if (column < 0) return;
    while (m_aIdeal.size() <= column) {
        m_aIdeal.push_back(0);
        m_aMin.push_back(0);
    }
    m_aIdeal[column] = ideal;
    m_aMin[column] = minimum;
    // The columns' own minimum sizes must not hold the window wide: the
    // minimums here decide what is shown.
    if (QWidget* w = widget(column)) w->setMinimumSize(1, 1);
}

void CLockSplitter::SetShares(QList<int> ideal, QList<int> minimum) {
    m_shareIdeal = std::move(ideal);
    m_shareMin = std::move(minimum);
    m_bSharesApplied = false;
    for (int i = 0; i < m_shareIdeal.size(); ++i)
        if (QWidget* w = widget(i)) w->setMinimumSize(1, 1);
}

void CLockSplitter::resizeEvent(QResizeEvent* e) {
    QSplitter::resizeEvent(e);
    ApplyShares();
    RecalcLayout();
}

void CLockSplitter::showEvent(QShowEvent* e) {
    QSplitter::showEvent(e);
    ApplyShares();
    RecalcLayout();
}

void CLockSplitter::ApplyShares() {
    if (m_bSharesApplied || m_shareIdeal.isEmpty() || !isVisible()) return;
    // The width of a maximised window: the MDI area's, once the frame is
    // shown (a child is first shown before it is maximised); outside an MDI
    // area the splitter's own.
    int reference = width();
    for (QWidget* p = parentWidget(); p; p = p->parentWidget())
        if (auto* area = qobject_cast<QMdiArea*>(p)) {
            if (!area->isVisible()) return;
            reference = area->viewport()->width();
            break;
        }
    int total = 0;
    for (int s : m_shareIdeal) total += s;
    if (total <= 0 || reference <= 0) return;
    m_bSharesApplied = true;
    // The shares divide the room the columns have between the bars.
    const int room = reference - handleWidth() * (count() - 1);
    for (int i = 0; i < m_shareIdeal.size(); ++i)
        SetColumnInfo(i, std::max(room * m_shareIdeal[i] / total, m_shareMin.value(i)), m_shareMin.value(i));
}

void CLockSplitter::RecalcLayout() {
    if (m_aIdeal.isEmpty() || count() == 0 || !isVisible()) return;
    const int n = count();
    const int room = std::max(0, (orientation() == Qt::Horizontal ? width() : height()) - handleWidth() * (n - 1));
    // The columns shown: from the first, as long as their minimums fit.
    int shown = n, minimums = 0;
    for (int i = 0; i < n; ++i) {
        minimums += m_aMin.value(i);
        if (i > 0 && minimums > room) {
            shown = i;
            break;
        }
    }
    QList<int> sizes = this->sizes();  // one entry per column
    sizes.fill(0);
    int ideals = 0, slack = 0;
    for (int i = 0; i < shown; ++i) {
        sizes[i] = std::max(m_aIdeal.value(i), m_aMin.value(i));
        ideals += sizes[i];
        slack += sizes[i] - m_aMin.value(i);
    }
    const int shortage = ideals - room;
    if (shortage > 0 && slack > 0) {
        // Each column gives up its share of the shortage, in proportion to
        // its room above its minimum; what rounding leaves, the column with the
        // most room above its minimum gives.
        int given = 0;
        for (int i = 0; i < shown; ++i) {
            const int part = static_cast<int>(static_cast<long long>(shortage) * (sizes[i] - m_aMin.value(i)) / slack);
            sizes[i] -= part;
            given += part;
        }
        int most = 0;
        for (int i = 1; i < shown; ++i)
            if (sizes[i] - m_aMin.value(i) > sizes[most] - m_aMin.value(most)) most = i;
        sizes[most] = std::max(0, sizes[most] - (shortage - given));
    }
    int used = 0;
    for (int i = 0; i < shown; ++i) used += sizes[i];
    // The last column shown takes what is left (or gives up what is over).
    sizes[shown - 1] = std::max(0, sizes[shown - 1] + room - used);
    if (sizes != this->sizes()) setSizes(sizes);
}

void CLockSplitter::TrackBar(int index, int pos) {
    if (index < 1 || index >= count()) return;
    QList<int> s = sizes();
    int start = 0;
    for (int i = 0; i < index - 1; ++i) start += s[i] + handleWidth();
    const int pair = s[index - 1] + s[index];
    const int lo = m_aMin.value(index - 1);
    const int hi = pair - m_aMin.value(index);
    if (lo > hi) return;  // no room to drag
    const int first = std::clamp(pos - start, lo, hi);
    if (first == s[index - 1]) return;
    s[index - 1] = first;
    s[index] = pair - first;
    setSizes(s);
    // The widths the drag leaves become the columns' ideals.
    while (m_aIdeal.size() <= index) {
        m_aIdeal.push_back(0);
        m_aMin.push_back(0);
    }
    m_aIdeal[index - 1] = first;
    m_aIdeal[index] = s[index];
    emit splitterMoved(start + first, index);
}
