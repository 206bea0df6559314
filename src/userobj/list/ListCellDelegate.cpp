// The cells of an object list, drawn from texts laid out once.
#include "ListCellDelegate.h"

#include <QApplication>
#include <QPainter>

#include <memory>

const QStaticText& CListCellDelegate::LaidOut(const QString& text, const QFont& font) const {
    if (font != m_font) {
        m_texts.clear();
        m_font = font;
    }
    if (const QStaticText* kept = m_texts.object(text)) return *kept;
    auto laid = std::make_unique<QStaticText>(text);
    laid->setTextFormat(Qt::PlainText);
    laid->prepare(QTransform(), font);
    const QStaticText* kept = laid.get();
    m_texts.insert(text, laid.release());
    return *kept;
}

void CListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // The focused cell, and anything beyond a plain line of text, as the
    // style draws it.
    if ((opt.state & QStyle::State_HasFocus) || (opt.features & ~QStyleOptionViewItem::HasDisplay) ||
        (opt.displayAlignment & Qt::AlignHorizontal_Mask & ~Qt::AlignLeft) != 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    if (opt.text.isEmpty()) return;

    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : !(opt.state & QStyle::State_Active) ? QPalette::Inactive
                                                                             : QPalette::Normal;
    const QPalette::ColorRole role =
        opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    // The text stands inside the margins the style keeps on either side.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect box = opt.rect.adjusted(margin, 0, -margin, 0);
    painter->save();
    painter->setPen(opt.palette.color(group, role));
    painter->setFont(opt.font);
    const QStaticText* laid = &LaidOut(opt.text, opt.font);
    if (laid->size().width() > box.width()) {
        // Wider than its column: cut short as the style would, and kept so
        // for this width.
        const QString key = opt.text + QChar(0x1f) + QString::number(box.width());
        const QStaticText* cut = m_texts.object(key);
        if (!cut) {
            auto made = std::make_unique<QStaticText>(
                opt.fontMetrics.elidedText(opt.text, opt.textElideMode, box.width()));
            made->setTextFormat(Qt::PlainText);
            made->prepare(QTransform(), opt.font);
            cut = made.get();
            m_texts.insert(key, made.release());
        }
        laid = cut;
    }
    const qreal top = box.top() + (box.height() - laid->size().height()) / 2;
    painter->setClipRect(opt.rect, Qt::IntersectClip);
    painter->drawStaticText(QPointF(box.left(), top), *laid);
    painter->restore();
}
