// The cells of an object list. A cell's text is laid out once and drawn
// from that layout afterwards: a page of records repeats many values
// (states, kinds, flags), and every repaint shows the same texts again, so
// shaping each cell's text at each paint took most of a page's drawing.
// Cells look as the style draws them: its item panel (selection, hover)
// under the text, the style's own drawing for the focused cell.
#pragma once

#include <QCache>
#include <QFont>
#include <QStaticText>
#include <QStyledItemDelegate>

class CListCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    // Texts laid out and kept, the most recently drawn first.
    static constexpr int kKeptTexts = 8192;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QStaticText& LaidOut(const QString& text, const QFont& font) const;

    mutable QCache<QString, QStaticText> m_texts{kKeptTexts};
    mutable QFont m_font;  // the font the kept texts were laid out in
};
