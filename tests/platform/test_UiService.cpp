// The UI service's test double: nothing blocks, everything is recorded.
#include <QDialog>

#include <gtest/gtest.h>

#include "UiService.h"

using namespace platform;

TEST(UiService, RecordingDoubleAnswersFromItsQueuesThenDefaults) {
    CRecordingUiGuard ui;
    ui->boxAnswers.push_back(IDNO);
    EXPECT_EQ(Ui().MessageBox(nullptr, "Delete?", "Subscribers", MB_YESNO), IDNO);
    EXPECT_EQ(Ui().MessageBox(nullptr, "Delete again?", "", MB_YESNO), IDYES);
    EXPECT_EQ(Ui().MessageBox(nullptr, "Done", "", MB_OK), IDOK);
    ASSERT_EQ(ui->boxes.size(), 3u);
    EXPECT_EQ(ui->boxes[0].text, "Delete?");

    QDialog dlg;
    dlg.setWindowTitle("Parameters");
    EXPECT_EQ(Ui().ExecDialog(dlg), 0);
    ui->onDialog = [](QDialog& d) {
        d.setObjectName("seen");
        return 1;
    };
    EXPECT_EQ(Ui().ExecDialog(dlg), 1);
    EXPECT_EQ(dlg.objectName(), "seen");
    EXPECT_EQ(ui->dialogTitles.size(), 2u);

    EXPECT_EQ(Ui().GetSaveFileName(nullptr, {"Export", "/tmp", "a.txt", "", "txt"}), "");
    ui->saveAnswers.push_back("/tmp/out.xlsx");
    EXPECT_EQ(Ui().GetSaveFileName(nullptr, {}), "/tmp/out.xlsx");
}

TEST(UiService, GuardRestoresThePreviousService) {
    IUiService* before = &Ui();
    {
        CRecordingUiGuard ui;
        EXPECT_NE(&Ui(), before);
    }
    EXPECT_EQ(&Ui(), before);
}
