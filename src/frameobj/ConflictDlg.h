// A change the switch refused because the record changed meanwhile: the
// operator's values beside the record's as it is now, and the choice to
// apply the operator's values to that record or to drop them.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "FrameApi.h"
#include "hostlibs/ObjData.h"

class QTableWidget;

class UO_FRAME_API CConflictDlg : public QDialog {
    Q_OBJECT
public:
    CConflictDlg(const std::string& title, const std::string& question,
                 const std::vector<ICmdParamEditor::SConflictRow>& rows, QWidget* parent);
    QTableWidget* Rows() const { return m_pRows; }

private:
    QTableWidget* m_pRows = nullptr;
};
