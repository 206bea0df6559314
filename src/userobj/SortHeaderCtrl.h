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

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
};
