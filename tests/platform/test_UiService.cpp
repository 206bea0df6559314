// The UI service's real save dialog. (Its recording double is what every
// other test answers dialogs with; it is tested by their use.)
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "UiService.h"

using namespace platform;

// The real save dialog, worked with keys: a name typed without its
// extension gets the default one, and when a file of that whole name
// exists the dialog asks before it is replaced.
TEST(UiService, TheSaveDialogAsksBeforeReplacingTheFileItsNameEndsUpAs) {
    QTemporaryDir dir;
    QFile old(dir.filePath("subs.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("before");
    old.close();
    const SaveFileRequest request{"Export", dir.path().toStdString(), "proposal", "Text files (*.txt)", "txt"};

    // Typed "subs": the dialog asks; No keeps it open, and Escape cancels.
    // The keys go in from the event loop: a timer is not called again while
    // its own call waits in a dialog.
    bool asked = false;
    int step = 0;
    QTimer timer;
    timer.setInterval(20);
    auto later = [](QWidget* w, std::function<void()> f) { QTimer::singleShot(0, w, std::move(f)); };
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* top = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(top)) {
            if (asked) return;
            asked = box->text().contains("subs.txt");
            later(box, [box] { QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton); });
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(top);
        auto* name = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
        if (!name || !dialog->isVisible()) return;
        if (step == 0) {
            step = 1;
            later(name, [name] {
                name->selectAll();
                QTest::keyClicks(name, "subs");
                QTest::keyClick(name, Qt::Key_Return);
            });
        } else if (step == 1 && asked) {
            step = 2;
            later(name, [name] { QTest::keyClick(name, Qt::Key_Escape); });
        }
    });
    timer.start();
    const std::string cancelled = Ui().GetSaveFileName(nullptr, request);
    EXPECT_TRUE(asked);
    EXPECT_EQ(cancelled, "");

    // A new name comes back with the extension added.
    step = 0;
    QObject::disconnect(&timer, nullptr, nullptr, nullptr);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* name = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
        if (!name || step++) return;
        later(name, [name] {
            name->selectAll();
            QTest::keyClicks(name, "fresh");
            QTest::keyClick(name, Qt::Key_Return);
        });
    });
    EXPECT_EQ(Ui().GetSaveFileName(nullptr, request), dir.filePath("fresh.txt").toStdString());
    timer.stop();
    QFile check(old.fileName());
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "before");
}
