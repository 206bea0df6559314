// CSheetsWnd: a strip of sheet tabs along the bottom of a parent window. The
// pages are the parent's other child windows; a tab's caption is its page's
// title. The strip lays the pages out above itself, draws a trapezoid tab per
// page (the visible page's tab white, drawn last), scrolls the tab row with
// two arrows, and on a click shows the chosen page, hides the previous one
// and tells the parent (WM_USER+1415). CSheetsDialog skips the controls of
// the V5 dialogs that are not pages.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>

#include <string>

#include "MsgTarget.h"

class CSheetsWnd : public CWndT<QWidget> {
    Q_OBJECT
public:
    static constexpr int kControlId = 8192;
    static constexpr int kScrollStep = 16;

    CSheetsWnd();
    ~CSheetsWnd() override;

    // Creates the strip on the parent and takes over the parent's layout.
    bool Create(QWidget* parent, const QColor& background);
    // A band of the strip height along the parent's bottom edge.
    QRect GetSheetsRect(QWidget* parent) const;
    static int StripHeight();

    virtual QWidget* SheetFromPoint(QPoint point);
    virtual QWidget* GetActiveSheet();
    virtual std::string GetSheetTitle(QWidget* page) const;
    virtual QWidget* GetNextSheet();
    virtual QWidget* GetFirstSheet();

    // Lays the strip and the pages out in the parent.
    void LayoutParent();
    // Line-left (+16) and line-right (-16); false when the move is refused.
    bool ScrollTabs(int delta);
    int ScrollOffset() const { return m_nScrollOffset; }
    int TotalTabWidth() const { return m_nTotalWidth; }
    QRect TabArea() const { return m_rcTabArea; }
    // Paints the tabs into an image of the tab area (the strip paints this).
    QImage DrawSheets();
    // The width of a caption in the strip's font.
    int TextWidth(const std::string& title) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QPointer<QWidget> m_parent;
    int m_nScrollOffset = 0;
    int m_nTotalWidth = 0;
    QFont m_font;
    QObjectList m_walk;     // the parent's children when the walk began
    int m_nCursor = -1;     // position of the walk
    QScrollBar* m_pScroll = nullptr;
    QColor m_background;
    QRect m_rcTabArea;
};

class CSheetsDialog : public CSheetsWnd {
    Q_OBJECT
public:
    QWidget* GetNextSheet() override;
    QWidget* GetFirstSheet() override;
    static bool IsExcluded(const QWidget* w);
};
