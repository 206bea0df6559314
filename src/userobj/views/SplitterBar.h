// Draggable splitter bars made of a dialog's own static controls: a bar
// knows the control IDs of the panes on each side; dragging it moves the
// bar, refits the panes and tells the dialog (WM_USER+1000). CxSplitterWnd
// is a vertical bar dragged left and right, CySplitterWnd a horizontal one.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRubberBand>
#include <QWidget>

#include <memory>
#include <vector>

class CSplitterBar : public QObject {
    Q_OBJECT
public:
    bool BindWithControl(QWidget* parent, int controlId);
    void Unbind();
    void DetachAllPanes();
    virtual void RecalcLayout() = 0;
    // The screen rectangle the cursor may move in during a drag; false when
    // there is no room. press is in bar coordinates.
    virtual bool GetMouseClipRect(QRect& clip, QPoint press) const = 0;
    QWidget* Bar() const { return m_bar.data(); }
    bool Dragging() const { return m_dragging; }

protected:
    explicit CSplitterBar(bool vertical) : m_bVertical(vertical) {}
    bool eventFilter(QObject* o, QEvent* e) override;
    QWidget* Pane(int id) const;
    QRect ScreenRect(const QWidget* w) const;

    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_bar;
    std::vector<int> m_aFirst, m_aSecond;
    int m_nFirstMin = 0, m_nSecondMin = 0;

private:
    void BeginDrag(QPoint press);
    void MoveDrag(QPoint global);
    void EndDrag();
    bool m_bVertical;
    bool m_dragging = false;
    QPoint m_press;
    QRect m_clip, m_start;
    int m_shift = 0;
    std::unique_ptr<QRubberBand> m_band;
};

class CxSplitterWnd : public CSplitterBar {
    Q_OBJECT
public:
    CxSplitterWnd() : CSplitterBar(true) {}
    bool BindWithControl(QWidget* parent, int controlId);
    void SetMinWidth(int first, int second) { m_nFirstMin = first, m_nSecondMin = second; }
    void AttachAsLeftPane(int id) { m_aFirst.push_back(id); }
    void AttachAsRightPane(int id) { m_aSecond.push_back(id); }
    void RecalcLayout() override;
    bool GetMouseClipRect(QRect& clip, QPoint press) const override;
};

class CySplitterWnd : public CSplitterBar {
    Q_OBJECT
public:
    CySplitterWnd() : CSplitterBar(false) {}
    void SetMinHeight(int first, int second) { m_nFirstMin = first, m_nSecondMin = second; }
    void AttachAsAbovePane(int id) { m_aFirst.push_back(id); }
    void AttachAsBelowPane(int id) { m_aSecond.push_back(id); }
    void RecalcLayout() override;
    bool GetMouseClipRect(QRect& clip, QPoint press) const override;
};
