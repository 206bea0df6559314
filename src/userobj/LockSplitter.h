// The object window's splitter: columns with an ideal and a minimum width,
// bars that can be locked against dragging. The first column keeps its
// ideal width while there is room, the last takes the rest; a column that
// would be narrower than its minimum is hidden and its room goes to its
// neighbour, so the window itself can be made as small as the operator
// wants. A drag keeps both columns at their minimums at least.
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
    // The columns' ideal and minimum widths as shares of the width of a
    // maximised window, taken when the splitter is first shown in a shown
    // frame (a window opened before the frame is shown is created at a
    // width it never has). Column info set later wins.
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
