// The conflict dialog of a change refused for a stale revision.
#include "ConflictDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "HostStrings.h"
#include "TextHelpers.h"
#include "hostlibs/HostStringIds.h"

CConflictDlg::CConflictDlg(const std::string& title, const std::string& question,
                           const std::vector<ICmdParamEditor::SConflictRow>& rows, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QString::fromStdString(question), this);
    label->setWordWrap(true);
    layout->addWidget(label);

    m_pRows = new QTableWidget(static_cast<int>(rows.size()), 3, this);
    QStringList titles;
    for (const std::string& t : platform::Split(HostString(HS_CONFLICT_COLUMNS), '|'))
        titles << QString::fromStdString(t);
    m_pRows->setHorizontalHeaderLabels(titles);
    m_pRows->verticalHeader()->hide();
    m_pRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pRows->setSelectionMode(QAbstractItemView::NoSelection);
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::string* cells[] = {&rows[r].name, &rows[r].yours, &rows[r].current};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*cells[c]));
            item->setToolTip(item->text());
            m_pRows->setItem(static_cast<int>(r), c, item);
        }
    }
    m_pRows->horizontalHeader()->setStretchLastSection(true);
    m_pRows->resizeColumnsToContents();
    layout->addWidget(m_pRows);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* apply = buttons->addButton(QString::fromStdString(HostString(HS_CONFLICT_APPLY)),
                                            QDialogButtonBox::AcceptRole);
    apply->setObjectName(QStringLiteral("ctl1"));
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("ctl2"));
    cancel->setDefault(true);  // Enter drops nothing the operator did not choose to apply
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(520, 260);
}
