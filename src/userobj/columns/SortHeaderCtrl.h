// CSortHeaderCtrl: the header of an object list, drawing the sort arrow of
// the sorted column as a small bevelled triangle.
#pragma once

#include <QHeaderView>

class CSortHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CSortHeaderCtrl(QWidget* parent = nullptr);
    void SetSortArrow(int column, bool ascending);
    int SortColumn() const { return m_nSortColumn; }
    bool SortAscending() const { return m_bSortAscending; }
    // The left button is held on the header: a divider drag may be going on.
    bool IsPressed() const { return m_bPressed; }

signals:
    // The left button went up after a press on the header (a drag ended).
    void pressReleased();

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
    bool m_bPressed = false;
};
