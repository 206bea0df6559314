// The command parameter dialog, told that another operator changed or
// removed the record it modifies while it is open.
#include <QBoxLayout>
#include <QLabel>

#include "CmdParaDlg.h"

bool CCmdParaDlg::NoteRecordChanged(const std::string& object,
                                    const std::vector<std::pair<std::string, std::string>>& keys, bool removed) {
    if (!m_pCmd || keys.empty() || m_pCmd->GetMMLCommand() != "MOD " + object) return false;
    for (const auto& [name, value] : keys)
        if (m_pCmd->GetParaValue(name) != value) return false;
    if (!m_pChanged) {
        // Above the buttons; what the operator entered stays as it is.
        m_pChanged = new QLabel(this);
        m_pChanged->setObjectName(QStringLiteral("recordChanged"));
        m_pChanged->setWordWrap(true);
        m_pChanged->setStyleSheet(QStringLiteral("QLabel { color: #a04000; }"));
        if (auto* box = qobject_cast<QBoxLayout*>(layout())) box->insertWidget(box->count() - 1, m_pChanged);
    }
    // A removal is final: once said, a later change notice does not take it back.
    if (removed || m_pChanged->text().isEmpty())
        m_pChanged->setText(removed ? QStringLiteral("Another operator removed this record meanwhile: "
                                                     "there is nothing left for OK to change.")
                                    : QStringLiteral("Another operator changed this record meanwhile. OK applies "
                                                     "your changes to it as it is now; where you both changed "
                                                     "the same value you will be asked which one stays."));
    m_pChanged->show();
    // The list keeps its height, so the dialog grows by the note's wrapped
    // lines; a window's minimum size alone does not count them.
    if (QLayout* box = layout()) {
        box->activate();
        const int needed = box->totalHeightForWidth(width());
        if (needed > height()) resize(width(), needed);
    }
    return true;
}
