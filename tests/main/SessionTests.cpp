// A whole session driven through the real windows, as a user would: every setting at both
// ends of its range, builds, processing, view commands, drags far beyond the usual and held
// rotation. Its checks are few; its worth is in what it runs, for the sanitizer build runs
// it too, where any invalid access, overflow or out-of-range conversion ends the test.
#include "MainTestSupport.h"

#include "Childwin/CameraDrag.h"
#include "settings/SettingsTable.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFrame>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

#include <functional>

namespace {

class SessionTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
        Dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Dialog));
    }

    // Runs the event loop until done() holds or the time is up.
    static bool RunUntil(const std::function<bool()>& done, int milliseconds = 5000) {
        QDeadlineTimer deadline(milliseconds);
        while (!done() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    static void RunFor(int milliseconds) {
        QDeadlineTimer deadline(milliseconds);
        while (!deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    // Every slider of the properties window at one end of its range (atMax) through the
    // control itself, the particle slider at number instead.
    void SetEverySlider(bool atMax, int number) {
        for (const TSettingRow& row : SettingsTable::Sliders()) {
            QSlider* slider = Dialog->Slider(row.Property);
            const int value = row.Property == "Number" ? number : atMax ? row.Max : row.Min;
            slider->setValue(value);
            const std::string property(row.Property);
            EXPECT_EQ(Dialog->property(property.c_str()).toInt(), value) << property;
        }
    }

    void ApplyAll() { Dialog->BtnUniverseApply->click(); }

    // The universes these tests replace are nobody's work.
    TSaveChangesAnswer Discard{QMessageBox::Discard};

    // Processing on until the universe has taken a few steps (or none can be taken), off.
    void Process() {
        Main->WaitForEngine();
        const int before = Main->Snapshot() ? Main->Snapshot()->IterationCount : 0;
        Main->SetProcessing(true);
        RunUntil(
            [&] { return Main->Snapshot() && Main->Snapshot()->IterationCount >= before + 5; });
        RunFor(30);
        Main->SetProcessing(false);
    }

    void ClickEveryShowAs() {
        QListWidget* list = Dialog->ListBoxShowAs;
        Dialog->PageControl1->setCurrentWidget(Dialog->PageView);
        for (int row = 0; row < list->count(); ++row) {
            const QRect place = list->visualItemRect(list->item(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
        }
    }

    static void Drag(TMDIChild* view, Qt::MouseButton button, Qt::KeyboardModifiers keys,
                     QPoint from, QPoint to) {
        QTest::mousePress(view, button, keys, from);
        QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, keys, (from + to) / 2);
        QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, keys, to);
        QTest::mouseRelease(view, button, keys, to);
    }

    // Zoom to the cap and far out, pan, turn and dolly by far more than a screen.
    void DragEverything(TMDIChild* view) {
        Drag(view, Qt::RightButton, {}, {50, 5000}, {50, 0});
        EXPECT_EQ(view->Camera().ZoomX, MaxZoom);
        Drag(view, Qt::LeftButton, {}, {10, 10}, {3000, -2000});
        Drag(view, Qt::LeftButton, Qt::ShiftModifier, {10, 10}, {90000, 40000});
        Drag(view, Qt::LeftButton, Qt::ControlModifier, {10, 10}, {10, 3000});
        Drag(view, Qt::LeftButton, Qt::ControlModifier, {10, 3000}, {10, -60000});
        Drag(view, Qt::RightButton, {}, {50, 0}, {50, 150000});
        EXPECT_GT(view->Camera().ZoomX, 0);
        Drag(view, Qt::RightButton, {}, {50, 2000}, {50, 0});
        Drag(view, Qt::LeftButton, {}, {10, 10}, {-100000, 100000});
    }

    // Each arrow held for a few rotation ticks, then the mouse rotation panel.
    void HoldRotation() {
        Dialog->PageControl1->setCurrentWidget(Dialog->PageView);
        for (QPushButton* arrow :
             {Dialog->Button2, Dialog->Button5, Dialog->Button6, Dialog->Button7}) {
            QTest::mousePress(arrow, Qt::LeftButton, {}, {3, 3});
            RunFor(100);
            QTest::mouseRelease(arrow, Qt::LeftButton, {}, {3, 3});
        }
        QFrame* panel = Dialog->PanelMouseRot;
        QTest::mousePress(panel, Qt::RightButton, {}, {12, 12});
        QTest::mouseEvent(QTest::MouseMove, panel, Qt::NoButton, {}, {40, -30});
        RunFor(100);
        QTest::mouseRelease(panel, Qt::RightButton, {}, {40, -30});
        Dialog->Button8->click();
    }

    // One round of everything a user does to the views.
    void UseTheViews() {
        Action("MenuViewNew")->trigger();
        Action("MenuViewNew")->trigger();
        Process();
        Action("MenuViewPreset1")->trigger();
        EXPECT_EQ(Main->Views().size(), 4);
        Action("WindowCascadeItem")->trigger();
        Process();
        Action("WindowTileItem")->trigger();
        for (TMDIChild* view : Main->Views())
            DragEverything(view);
        HoldRotation();
        Process();
        Main->resize(200, 150);
        Process();
        Main->resize(1100, 800);
        Action("MenuViewCloseAll")->trigger();
        Settle();
        EXPECT_TRUE(Main->Views().isEmpty());
        Process();
        Action("MenuViewNew")->trigger();
    }
};

TEST_F(SessionTest, EverySettingAtBothEndsThroughTheWindows) {
    for (const bool atMax : {false, true}) {
        SCOPED_TRACE(atMax ? "every slider at its maximum" : "every slider at its minimum");
        Dialog->PageControl1->setCurrentWidget(Dialog->PageUniverse);
        for (const bool thermodynamics : {false, true}) {
            if (Dialog->CheckUseThermo->isChecked() != thermodynamics)
                Dialog->CheckUseThermo->click();
            SetEverySlider(atMax, atMax ? 30 : 0);
            if (!atMax) {
                // No particles at all: the build reports it and leaves an empty universe.
                TMessageBoxCloser closer(true);
                ApplyAll();
                Main->WaitForEngine();
                EXPECT_EQ(closer.Count, 1);
                Process();
                Dialog->TrackBarNumber->setValue(12);
            }
            ApplyAll();
            ASSERT_TRUE(Main->WaitForEngine());
            ASSERT_NE(Main->Snapshot(), nullptr);
            EXPECT_EQ(Main->Snapshot()->LastIndex() + 1, Dialog->ParticleCount());
            Dialog->CheckBoxUseLines->click();
            Dialog->CheckBoxShowLuminance->click();
            ClickEveryShowAs();
            UseTheViews();
        }
    }
}

TEST_F(SessionTest, TheModalNewUniverseWindowBuildsWhileViewsAreOpen) {
    Action("MenuViewPreset1")->trigger();
    Main->SetProcessing(true);
    // The running universe is unsaved work each build replaces: this answers that question,
    // and the closer below leaves it alone.
    TSaveChangesAnswer discard(QMessageBox::Discard);
    for (const int number : {28, 0, 26}) {
        TMessageBoxCloser closer(true);
        QTimer::singleShot(50, [this, number] {
            Dialog->TrackBarNumber->setValue(number);
            Dialog->BtnUniverseApply->click();
        });
        Main->ToolButton1Click();
        Main->WaitForEngine();
        EXPECT_EQ(closer.Count, number == 0 ? 1 : 0);
        RunFor(50);
    }
    EXPECT_EQ(Main->Snapshot()->LastIndex() + 1, 20);
    Main->SetProcessing(false);
    Action("MenuViewCloseAll")->trigger();
    Settle();
}

} // namespace
