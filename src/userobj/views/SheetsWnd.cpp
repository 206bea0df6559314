// The tab strip.
#include "SheetsWnd.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include <set>

#include "HostStrings.h"
#include "userobj/Messages.h"

CSheetsWnd::CSheetsWnd() {
    setObjectName(QStringLiteral("ctl%1").arg(kControlId));
    setProperty("controlId", kControlId);
}

CSheetsWnd::~CSheetsWnd() {
    if (m_parent) m_parent->removeEventFilter(this);
}

int CSheetsWnd::StripHeight() {
    // The height of a scroll bar's thumb: the strip is as thin as a scroll bar.
    return QApplication::style() ? std::max(12, qApp->style()->pixelMetric(QStyle::PM_ScrollBarExtent)) : 16;
}

QRect CSheetsWnd::GetSheetsRect(QWidget* parent) const {
    QRect r = parent->rect();
    r.setTop(r.bottom() + 1 - StripHeight());
    return r;
}

bool CSheetsWnd::Create(QWidget* parent, const QColor& background) {
    if (!parent) return false;
    m_parent = parent;
    m_background = background;
    setParent(parent);
    setGeometry(GetSheetsRect(parent));
    const int h = StripHeight();
    m_font = QFont(QString::fromStdString(HostString(10253)));
    m_font.setPixelSize(std::max(1, 8 * h / 10));
    m_font.setWeight(QFont::Light);
    m_pScroll = new QScrollBar(Qt::Horizontal, this);
    m_pScroll->setObjectName(QStringLiteral("sheetScroll"));
    m_pScroll->setGeometry(0, 0, 2 * h, h);
    // Only the arrows matter, yet a scroll bar without room to move ignores
    // presses on them: it gets one step each way and always returns to 0.
    m_pScroll->setRange(-1, 1);
    m_pScroll->setValue(0);
    m_pScroll->setPageStep(1);
    connect(m_pScroll, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderSingleStepSub) ScrollTabs(kScrollStep);
        else if (action == QAbstractSlider::SliderSingleStepAdd) ScrollTabs(-kScrollStep);
        m_pScroll->setSliderPosition(0);
    });
    m_rcTabArea = QRect(QPoint(2 * h + 2, 0), QPoint(width() - 1, h - 1));
    parent->installEventFilter(this);
    show();
    LayoutParent();
    return true;
}

QWidget* CSheetsWnd::GetFirstSheet() {
    m_walk = m_parent ? m_parent->children() : QObjectList();
    m_nCursor = -1;
    return GetNextSheet();
}

QWidget* CSheetsWnd::GetNextSheet() {
    if (m_nCursor >= static_cast<int>(m_walk.size())) return nullptr;
    while (++m_nCursor < static_cast<int>(m_walk.size())) {
        auto* w = qobject_cast<QWidget*>(m_walk[m_nCursor]);
        if (w && w != this && !w->isWindow()) return w;
    }
    return nullptr;
}

bool CSheetsDialog::IsExcluded(const QWidget* w) {
    static const std::set<int> excluded = {10178, 10179, 10180, 10181, 10182, 10183, 10184, 10185};
    bool ok = false;
    const int id = w->property("controlId").toInt(&ok);
    return ok && excluded.count(id);
}

QWidget* CSheetsDialog::GetFirstSheet() {
    QWidget* w = CSheetsWnd::GetFirstSheet();
    while (w && IsExcluded(w)) w = CSheetsWnd::GetNextSheet();
    return w;
}

QWidget* CSheetsDialog::GetNextSheet() {
    QWidget* w = CSheetsWnd::GetNextSheet();
    while (w && IsExcluded(w)) w = CSheetsWnd::GetNextSheet();
    return w;
}

QWidget* CSheetsWnd::GetActiveSheet() {
    for (QWidget* p = GetFirstSheet(); p; p = GetNextSheet())
        if (p->isVisibleTo(m_parent)) return p;
    return nullptr;
}

std::string CSheetsWnd::GetSheetTitle(QWidget* page) const {
    const std::string t = page->windowTitle().toStdString();
    return t.empty() ? "Sheet" : t;
}

int CSheetsWnd::TextWidth(const std::string& title) const {
    return QFontMetrics(m_font).horizontalAdvance(QString::fromStdString(title));
}

void CSheetsWnd::LayoutParent() {
    if (!m_parent) return;
    const QRect strip = GetSheetsRect(m_parent);
    setGeometry(strip);
    const QRect pages(0, 0, strip.width(), strip.top());
    for (QWidget* p = GetFirstSheet(); p; p = GetNextSheet()) {
        p->setGeometry(pages);
        p->update();
    }
    m_rcTabArea.setRight(rect().right());
}

bool CSheetsWnd::ScrollTabs(int delta) {
    const int offset = m_nScrollOffset + delta;
    if (offset > 0 || std::abs(offset) >= m_nTotalWidth) return false;
    m_nScrollOffset = offset;
    update();
    return true;
}

QImage CSheetsWnd::DrawSheets() {
    if (m_rcTabArea.isEmpty()) return {};
    QImage image(m_rcTabArea.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(m_background);
    QPainter p(&image);
    p.setFont(m_font);
    p.setRenderHint(QPainter::Antialiasing, false);
    QWidget* active = GetActiveSheet();
    int x = m_nScrollOffset + 6;
    m_nTotalWidth = 0;
    const int bottom = m_rcTabArea.height();
    QPolygon activeShape;
    QRect activeCaption;
    std::string activeTitle;
    auto drawTab = [&](const QPolygon& shape, const QRect& caption, const std::string& title, const QColor& fill) {
        QPainterPath path;
        path.addPolygon(shape);
        path.closeSubpath();
        p.fillPath(path, fill);
        p.setPen(Qt::black);
        p.drawPolygon(shape);
        p.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(title));
    };
    for (QWidget* page = GetFirstSheet(); page; page = GetNextSheet()) {
        const std::string title = GetSheetTitle(page);
        const int w = TextWidth(title);
        const QRect caption(x - 4, 0, w + 8, bottom);  // text width + 8 wide
        // Wide edge at the top, next to the pages; narrow edge at the bottom.
        const QPolygon shape({QPoint(caption.left() - 6, 0), QPoint(caption.right() + 6, 0),
                              QPoint(caption.right(), bottom - 1), QPoint(caption.left(), bottom - 1)});
        drawTab(shape, caption, title, m_background);
        if (page == active) {
            activeShape = shape;
            activeCaption = caption;
            activeTitle = title;
        }
        const int step = caption.width() + 6;
        x += step;
        m_nTotalWidth += step;
    }
    if (active) drawTab(activeShape, activeCaption, activeTitle, Qt::white);
    return image;
}

void CSheetsWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_background);
    const QImage tabs = DrawSheets();
    if (!tabs.isNull()) p.drawImage(m_rcTabArea.topLeft(), tabs);
}

QWidget* CSheetsWnd::SheetFromPoint(QPoint point) {
    if (!m_rcTabArea.contains(point)) return nullptr;
    const int px = point.x() - m_nScrollOffset - m_rcTabArea.left();
    int x = 6;
    for (QWidget* page = GetFirstSheet(); page; page = GetNextSheet()) {
        const int w = TextWidth(GetSheetTitle(page));
        if (x - 6 < px && px <= x + w + 6) return page;
        x += w + 12;
    }
    return nullptr;
}

void CSheetsWnd::mousePressEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    QWidget* found = m_rcTabArea.contains(pt) ? SheetFromPoint(pt) : nullptr;
    QWidget* active = GetActiveSheet();
    if (found && found != active) {
        found->show();
        if (active) active->hide();
        update();
        if (m_parent) SendMessage(m_parent, msg::WM_TABPAGECHANGE, 0, 0);
    }
    QWidget::mousePressEvent(e);
}

void CSheetsWnd::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    m_rcTabArea.setRight(rect().right());
}

bool CSheetsWnd::eventFilter(QObject* o, QEvent* e) {
    if (o == m_parent) {
        if (e->type() == QEvent::Resize) {
            LayoutParent();
            return false;  // the parent keeps its own resize handling in Qt; the layout is ours
        }
        if (e->type() == QEvent::ChildAdded || e->type() == QEvent::ChildRemoved) update();
    }
    return CWndT::eventFilter(o, e);
}
