// The object list: its columns and their widths. A column is as wide as its
// title and the values of the first records it shows, up to a cap; a width
// the operator sets (dragging a divider, or a double click on it, which fits
// the column to the loaded records) is kept for the list key, written once
// when the drag ends rather than at every step of it.
#include <QHeaderView>
#include <QSignalBlocker>

#include "ColumnSettings.h"
#include "ObjListCtrl.h"
#include "TextHelpers.h"

namespace {
// Records looked at when fitting: the first page.
constexpr size_t kFitRecords = CObjListCtrl::kPageSize;
}  // namespace

int CObjListCtrl::MaxFittedWidth() const {
    return fontMetrics().averageCharWidth() * 40;
}

void CObjListCtrl::ConnectColumnSizing() {
    // A double click on a divider fits the column as this list measures it
    // (the loaded records, not the placeholder rows).
    disconnect(m_wndHeader, SIGNAL(sectionHandleDoubleClicked(int)), this,
               SLOT(resizeColumnToContents(int)));
    connect(m_wndHeader, &QHeaderView::sectionHandleDoubleClicked, this, &CObjListCtrl::FitColumn);
    connect(m_wndHeader, &QHeaderView::sectionResized, this, &CObjListCtrl::OnSectionResized);
    connect(m_wndHeader, &CSortHeaderCtrl::pressReleased, this, &CObjListCtrl::SavePendingWidths);
}

int CObjListCtrl::FittedWidth(int column, int cap) const {
    const QFontMetrics fm(font());
    const std::string title = column < static_cast<int>(m_model.Titles().size())
                                  ? m_model.Titles()[static_cast<size_t>(column)]
                                  : std::string();
    // The header draws its title inside a quarter of its height on either
    // side, and leaves room for the sort arrow.
    const int o = m_wndHeader->height() > 0 ? m_wndHeader->height() / 4 : fm.height() / 4 + 1;
    int width = fm.horizontalAdvance(QString::fromStdString(title)) + 5 * o + 4;
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    const int field = m_model.Field(column);
    if (data && field >= 0) {
        const auto& records = data->GetData();
        const size_t n = std::min(records.size(), kFitRecords);
        const int padding =
            2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 4;
        for (size_t i = 0; i < n && width < cap; ++i) {
            const std::string text = platform::Join(records[i].GetField(field));
            width = std::max(width, fm.horizontalAdvance(QString::fromStdString(text)) + padding);
        }
    }
    return std::min(width, cap);
}

void CObjListCtrl::FitColumn(int column) {
    if (column < 0 || column >= m_model.columnCount()) return;
    // The operator asked for it: wider than the first fitting may make it.
    setColumnWidth(column, std::max(FittedWidth(column, 3 * MaxFittedWidth()), 30));
}

void CObjListCtrl::OnSectionResized(int column, int, int newWidth) {
    if (m_bSizingColumns || column < 0 || column >= static_cast<int>(m_model.Titles().size()))
        return;
    const std::string& title = m_model.Titles()[static_cast<size_t>(column)];
    m_mapColumnWidth[title] = newWidth;
    m_setPendingWidths.insert(title);
    // A drag resizes at every mouse move; it is written when the button goes up.
    if (!m_wndHeader->IsPressed()) SavePendingWidths();
}

void CObjListCtrl::SavePendingWidths() {
    for (const std::string& title : m_setPendingWidths) {
        const auto width = m_mapColumnWidth.find(title);
        if (width == m_mapColumnWidth.end()) continue;
        columns::RememberWidth(m_strListKey, title, width->second);
        ++m_nWidthWrites;
    }
    m_setPendingWidths.clear();
}

void CObjListCtrl::BuildColumns() {
    std::vector<std::string> titles;
    std::vector<int> fields, widths;
    const QFontMetrics fm(font());
    auto extent = [&](const std::string& t) {
        return fm.horizontalAdvance(QString::fromStdString(t));
    };
    const CDynData* data = m_obj ? m_obj->GetDynData() : nullptr;
    const bool records = data && !data->GetData().empty();
    if (records) {
        const auto& header = data->GetDisplayHeader();
        const auto& keys = data->GetHeader();
        const auto& attrs = m_obj->GetComObj()->GetDesc().attributes;
        auto hidden = [&](size_t i) {
            for (const SAttributeItem& a : attrs)
                if (a.hidden && i < keys.size() && platform::EqualsNoCase(a.name, keys[i])) return true;
            return false;
        };
        for (size_t i = 0; i < header.size(); ++i) {
            if (hidden(i)) continue;  // the record keeps it; the operator never sees it
            titles.push_back(header[i]);
            fields.push_back(static_cast<int>(i));
            widths.push_back(extent(header[i]) + 10);
        }
    } else if (m_obj) {
        // No records yet: the attributes marked for lists, each title once.
        const auto& attrs = m_obj->GetComObj()->GetDesc().attributes;
        for (size_t i = 0; i < attrs.size(); ++i) {
            const SAttributeItem& a = attrs[i];
            if (!a.listFlag || a.listWidth <= 0) continue;
            bool seen = false;
            for (const std::string& t : titles)
                seen = seen || platform::EqualsNoCase(t, a.GetDisplayName());
            if (seen) continue;
            titles.push_back(a.GetDisplayName());
            fields.push_back(static_cast<int>(i));
            widths.push_back(std::max(extent(a.GetDisplayName()) + 30, a.listWidth));
        }
    }
    m_bSizingColumns = true;
    m_model.SetColumns(titles, fields, widths);
    // The rows that follow draw every column anew: the view is not told of
    // each width, which it would repaint on a timer of its own, after the
    // page was drawn once already. Its geometry follows below.
    const QSignalBlocker quiet(m_wndHeader);
    for (size_t c = 0; c < titles.size(); ++c) {
        const int column = static_cast<int>(c);
        // A width once found holds: the operator's, remembered for the key,
        // else the one fitted to the first records shown.
        auto known = m_mapColumnWidth.find(titles[c]);
        if (known == m_mapColumnWidth.end())
            if (const int remembered = columns::RememberedWidth(m_strListKey, titles[c]))
                known = m_mapColumnWidth.emplace(titles[c], remembered).first;
        if (known == m_mapColumnWidth.end() && records)
            known =
                m_mapColumnWidth.emplace(titles[c], FittedWidth(column, MaxFittedWidth())).first;
        setColumnWidth(column,
                       known != m_mapColumnWidth.end() ? known->second : std::max(widths[c], 60));
    }
    m_bSizingColumns = false;
    updateGeometries();
    viewport()->update();
    m_wndHeader->SetSortArrow(m_nSortColumn, m_bSortAscending);
}
