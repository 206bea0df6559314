// The object window's splitter: columns with an ideal and a minimum width,
// bars that can be locked against dragging. With room for every ideal the
// columns get their ideals and the last takes what is left; with less, each
// column gives up room above its minimum in proportion to what it has above
// it; when even the minimums do not fit, the columns at the end are hidden
// and their room goes to the ones before, so the window itself can be made
// as small as the operator wants. A drag keeps both columns at their
// minimums at least, and the widths it leaves become the columns' ideals.
#pragma once

#include <QList>
#include <QSplitter>

class CLockSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit CLockSplitter(Qt::Orientation o, QWidget* parent = nullptr);
    int m_bLock = 0;

    // Ideal and minimum width of a column, in pixels.
    void SetColumnInfo(int column, int ideal, int minimum);
    int ColumnIdeal(int column) const { return m_aIdeal.value(column); }
    int ColumnMin(int column) const { return m_aMin.value(column); }
    // The columns' ideal widths as shares of the width of a maximised
    // window, taken when the splitter is first shown in a shown frame (a
    // window opened before the frame is shown is created at a width it never
    // has), and their minimum widths in pixels. Column info set later wins.
    void SetShares(QList<int> ideal, QList<int> minimum);
    // Lays the columns out on the current width by their ideal and minimum.
    void RecalcLayout();
    // A bar dragged to pos (the width of the columns before it, bars
    // between them included): clamped so that the columns on both sides
    // keep their minimums; no room leaves the bar where it is.
    void TrackBar(int index, int pos);

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void ApplyShares();
    QList<int> m_aIdeal, m_aMin;
    QList<int> m_shareIdeal, m_shareMin;
    bool m_bSharesApplied = false;
};
