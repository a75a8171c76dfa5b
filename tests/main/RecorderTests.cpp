#include "MainTestSupport.h"

#include "Main/PositionBar.h"
#include "Storage/Recording.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>

namespace {

// Answers every question box with Yes (or No), remembering what it asked.
class TQuestionAnswerer {
public:
    explicit TQuestionAnswerer(QMessageBox::StandardButton answer) {
        Timer.setInterval(5);
        QObject::connect(&Timer, &QTimer::timeout, [this, answer] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Text = box->text();
                ++Count;
                // question() reports the button clicked, not the dialog's result.
                box->button(answer)->click();
            }
        });
        Timer.start();
    }
    QTimer Timer;
    QString Text;
    int Count = 0;
};

class RecorderTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
    }

    // Records count steps, keeping the state of each frame's iteration.
    void RecordSteps(int count) {
        for (int s = 0; s < count; ++s) {
            Main->ProcessingTimerTimer();
            Iterations.push_back(Main->Universe->IterationCount);
            Positions.push_back(Main->Universe->Particles[5].X);
        }
    }

    std::vector<std::int32_t> Iterations;
    std::vector<double> Positions;
};

TEST_F(RecorderTest, RecordingTakesAFramePerStepAndPlaysThemBack) {
    QAction* record = Action("StartRecording2");
    EXPECT_FALSE(Action("Play1")->isEnabled());
    EXPECT_FALSE(Action("ResumeProcessingatEnd1")->isEnabled());
    record->trigger();
    EXPECT_TRUE(record->isChecked());
    EXPECT_EQ(record->text(), "Stop Recording");
    RecordSteps(6);
    record->trigger();
    EXPECT_EQ(record->text(), "Start Recording");
    ASSERT_NE(Main->CurrentRecording(), nullptr);
    EXPECT_EQ(Main->CurrentRecording()->FrameCount(), 7);
    EXPECT_TRUE(Action("Play1")->isEnabled());
    EXPECT_TRUE(Action("ResumeProcessingatEnd1")->isEnabled());

    // Scrubbing to a frame shows it in the views and the figures, not the live universe.
    auto* bar = Main->findChild<TPositionBar*>("PositionBar");
    ASSERT_NE(bar, nullptr);
    bar->Slider->setValue(3);
    EXPECT_EQ(Main->ShownFrame(), 3);
    EXPECT_EQ(bar->Label->text(), QString("frame 4 of 7, iteration %1").arg(Iterations[2]));
    EXPECT_EQ(Dialog->IterationCount(), Iterations[2]);
    TMDIChild* view = Main->Views().at(0);
    ASSERT_NE(view->Universe, Main->Universe.get());
    EXPECT_EQ(view->Universe->Particles[5].X, static_cast<float>(Positions[2]));
    // The arrow keys step one frame.
    QTest::keyClick(Main, Qt::Key_Right);
    EXPECT_EQ(Main->ShownFrame(), 4);
    QTest::keyClick(Main, Qt::Key_Left);
    QTest::keyClick(Main, Qt::Key_Left);
    EXPECT_EQ(Main->ShownFrame(), 2);

    // Play runs to the last frame and stops.
    Main->CurrentRecording()->SetOptions({100, 1, 240});
    Action("Play1")->trigger();
    EXPECT_TRUE(Main->Playing());
    EXPECT_FALSE(Main->Processing());
    for (int wait = 0; wait < 200 && Main->Playing(); ++wait)
        QTest::qWait(10);
    EXPECT_FALSE(Main->Playing());
    EXPECT_EQ(Main->ShownFrame(), 6);
}

TEST_F(RecorderTest, ResumingHereRestoresTheFrameAndDropsTheFramesAfterIt) {
    Action("StartRecording2")->trigger();
    const std::int32_t start = Main->Universe->IterationCount;
    RecordSteps(8);
    Action("StartRecording2")->trigger();
    Main->ShowRecordedFrame(3);

    {
        TQuestionAnswerer no(QMessageBox::No);
        Main->ContinueProcessing1->trigger();
        EXPECT_EQ(no.Count, 1);
        EXPECT_TRUE(no.Text.contains("5 recorded frames")) << no.Text.toStdString();
    }
    EXPECT_EQ(Main->ShownFrame(), 3);
    EXPECT_EQ(Main->CurrentRecording()->FrameCount(), 9);
    {
        TQuestionAnswerer yes(QMessageBox::Yes);
        Main->ContinueProcessing1->trigger();
        EXPECT_EQ(yes.Count, 1) << yes.Text.toStdString();
    }
    EXPECT_EQ(Main->ShownFrame(), -1);
    EXPECT_TRUE(Main->Processing());
    Main->SetProcessing(false);
    EXPECT_EQ(Main->CurrentRecording()->FrameCount(), 4);
    EXPECT_EQ(Main->Universe->IterationCount, start + 3);
    // Exactly the state the original run had at that frame, so its next step is the same.
    Main->ProcessingTimerTimer();
    EXPECT_EQ(Main->Universe->Particles[5].X, Positions[3]);
    EXPECT_EQ(Main->Views().at(0)->Universe, Main->Universe.get());

    // With no frame shown, F5 toggles processing as before.
    Main->ContinueProcessing1->trigger();
    EXPECT_TRUE(Main->Processing());
    Main->ContinueProcessing1->trigger();
    EXPECT_FALSE(Main->Processing());
}

TEST_F(RecorderTest, ASavedRecordingComesBackWithItsFile) {
    QTemporaryDir folder;
    Action("StartRecording2")->trigger();
    RecordSteps(5);
    Action("StartRecording2")->trigger();
    const QString path = folder.filePath("recorded.astrivo");
    ASSERT_TRUE(Main->SaveSimulation(path));
    Main->ProcessingTimerTimer();
    ASSERT_TRUE(Main->OpenSimulation(path));
    ASSERT_NE(Main->CurrentRecording(), nullptr);
    EXPECT_EQ(Main->CurrentRecording()->FrameCount(), 6);
    // Resume from the end continues the saved run.
    Action("ResumeProcessingatEnd1")->trigger();
    EXPECT_TRUE(Main->Processing());
    Main->SetProcessing(false);
    EXPECT_EQ(Main->Universe->IterationCount, Iterations.back());
    Main->ProcessingTimerTimer();
    EXPECT_EQ(Main->Universe->IterationCount, Iterations.back() + 1);
}

TEST_F(RecorderTest, TheOptionsDialogErasesOnlyAfterAsking) {
    Action("StartRecording2")->trigger();
    RecordSteps(3);
    Action("StartRecording2")->trigger();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* rate = dialog->findChild<QSpinBox*>("SpinPlaybackRate");
        EXPECT_EQ(rate->value(), 30);
        rate->setValue(12);
        // Erase asks; the answer Yes erases.
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(QMessageBox::Yes)->click();
        });
        dialog->findChild<QPushButton*>("BtnErase")->click();
        dialog->accept();
    });
    Action("Erase1")->trigger();
    EXPECT_EQ(Main->CurrentRecording()->FrameCount(), 0);
    EXPECT_EQ(Main->CurrentRecording()->Options().PlaybackRate, 12);
    EXPECT_FALSE(Action("Play1")->isEnabled());
}

} // namespace
