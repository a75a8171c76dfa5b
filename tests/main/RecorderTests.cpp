#include "RecorderTestSupport.h"

#include "Main/PositionBar.h"
#include "Storage/Recorder.h"
#include "universe/UniverseSnapshot.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace {

TEST_F(RecorderTest, RecordingTakesAFramePerStepAndPlaysThemBack) {
    QAction* record = Action("StartRecording2");
    EXPECT_FALSE(Action("Play1")->isEnabled());
    EXPECT_FALSE(Action("ResumeProcessingatEnd1")->isEnabled());
    record->trigger();
    EXPECT_TRUE(record->isChecked());
    EXPECT_EQ(record->text(), "Stop Recording");
    ASSERT_TRUE(Main->WaitForEngine());
    RecordSteps(6);
    record->trigger();
    ASSERT_TRUE(Main->WaitForEngine());
    EXPECT_EQ(record->text(), "Start Recording");
    EXPECT_EQ(Main->RecordedFrames(), 7);
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
    ASSERT_NE(view->Snapshot(), Main->Snapshot().get());
    EXPECT_EQ(view->Snapshot()->Particles[5].X, static_cast<float>(Positions[2]));
    // The arrow keys step one frame.
    QTest::keyClick(Main, Qt::Key_Right);
    EXPECT_EQ(Main->ShownFrame(), 4);
    QTest::keyClick(Main, Qt::Key_Left);
    QTest::keyClick(Main, Qt::Key_Left);
    EXPECT_EQ(Main->ShownFrame(), 2);

    // Play runs to the last frame and stops.
    ASSERT_TRUE(Main->Session().Recorder().SetOptions({100, 1, 240}).Ok);
    Action("Play1")->trigger();
    EXPECT_TRUE(Main->Playing());
    EXPECT_FALSE(Main->Processing());
    for (int wait = 0; wait < 200 && Main->Playing(); ++wait)
        QTest::qWait(10);
    EXPECT_FALSE(Main->Playing());
    EXPECT_EQ(Main->ShownFrame(), 6);
}

TEST_F(RecorderTest, ResumingHereRestoresTheFrameAndDropsTheFramesAfterIt) {
    const std::int32_t start = Main->Snapshot()->IterationCount;
    Record(8);
    Main->ShowRecordedFrame(3);
    {
        TQuestionAnswerer no(QMessageBox::No);
        Main->Actions.ContinueProcessing1->trigger();
        EXPECT_EQ(no.Count, 1);
        EXPECT_TRUE(no.Text.contains("5 recorded frames")) << no.Text.toStdString();
    }
    EXPECT_EQ(Main->ShownFrame(), 3);
    EXPECT_EQ(Main->RecordedFrames(), 9);
    {
        TQuestionAnswerer yes(QMessageBox::Yes);
        Main->Actions.ContinueProcessing1->trigger();
        EXPECT_EQ(yes.Count, 1);
    }
    ASSERT_TRUE(WaitForResume());
    EXPECT_EQ(Main->ShownFrame(), -1);
    EXPECT_TRUE(Main->Processing());
    Main->SetProcessing(false);
    ASSERT_TRUE(Main->WaitForEngine());
    EXPECT_EQ(Main->RecordedFrames(), 4);
    EXPECT_GE(Main->Snapshot()->IterationCount, start + 3);

    // The frame's exact state: stepping on from it gives the original run.
    Main->ShowRecordedFrame(3);
    {
        TQuestionAnswerer yes(QMessageBox::Yes);
        Main->Actions.ContinueProcessing1->trigger();
    }
    ASSERT_TRUE(WaitForResume());
    Main->SetProcessing(false);
    ASSERT_TRUE(Main->WaitForEngine());
    // Processing may have taken some steps before it was stopped: compare at that step.
    const std::int32_t reached = Main->Snapshot()->IterationCount;
    const std::size_t index = static_cast<std::size_t>(reached - start - 1);
    if (index < Positions.size()) {
        EXPECT_EQ(Main->Snapshot()->Particles[5].X, Positions[index]);
    }

    // With no frame shown, F5 toggles processing as before.
    Main->Actions.ContinueProcessing1->trigger();
    EXPECT_TRUE(Main->Processing());
    Main->Actions.ContinueProcessing1->trigger();
    EXPECT_FALSE(Main->Processing());
}

// Working out a frame far from its keyframe takes long at large counts: it runs on the
// engine thread, and Stop (or F5 again) gives up on it, leaving everything as it was.
TEST_F(RecorderTest, ResumingCanBeStoppedAndThenLeavesTheFrameShownAndTheUniverseAsItWas) {
    Record(8);
    ASSERT_EQ(Main->RecordedFrames(), 9);
    ASSERT_TRUE(Main->ShowRecordedFrame(6));
    const TEngineState before = Engine();
    // The engine held up, so that the restoring is still waiting when it is stopped.
    std::mutex gate;
    std::unique_lock hold(gate);
    Main->Runner().Run([&](TUniverse&) { const std::lock_guard wait(gate); });
    {
        TQuestionAnswerer yes(QMessageBox::Yes);
        Main->Actions.ContinueProcessing1->trigger();
        EXPECT_EQ(yes.Count, 1);
    }
    EXPECT_EQ(Main->ResumingFrame(), 6);
    EXPECT_TRUE(Main->Processing());
    EXPECT_EQ(Main->Actions.ContinueProcessing1->text(), "Stop Processing");
    Main->Actions.ContinueProcessing1->trigger();
    EXPECT_FALSE(Main->Processing());
    hold.unlock();
    {
        TMessageBoxCloser errors;
        ASSERT_TRUE(WaitForResume());
        EXPECT_EQ(errors.Count, 0) << errors.Text.toStdString();
    }

    EXPECT_EQ(Main->ShownFrame(), 6);
    EXPECT_EQ(Main->RecordedFrames(), 9);
    EXPECT_FALSE(Main->Processing());
    EXPECT_EQ(Main->Views().at(0)->Snapshot()->IterationCount, Iterations[5]);
    const TEngineState after = Engine();
    EXPECT_EQ(after.IterationCount, before.IterationCount);
    EXPECT_EQ(after.FirstX, before.FirstX);

    // A keyframe needs no steps, but stopping before it is put in place still stops it.
    ASSERT_TRUE(Main->ShowRecordedFrame(0));
    {
        std::unique_lock holdAgain(gate);
        Main->Runner().Run([&](TUniverse&) { const std::lock_guard wait(gate); });
        TQuestionAnswerer yes(QMessageBox::Yes);
        Main->Actions.ContinueProcessing1->trigger();
        Main->Actions.ContinueProcessing1->trigger();
    }
    ASSERT_TRUE(WaitForResume());
    EXPECT_EQ(Main->ShownFrame(), 0);
    ASSERT_EQ(Main->RecordedFrames(), 9);
    EXPECT_EQ(Engine().IterationCount, before.IterationCount);
    ASSERT_TRUE(Main->ShowRecordedFrame(6));

    // Asked again and left alone, it resumes from the frame.
    {
        TQuestionAnswerer yes(QMessageBox::Yes);
        Main->Actions.ContinueProcessing1->trigger();
    }
    {
        TMessageBoxCloser errors;
        ASSERT_TRUE(WaitForResume());
        EXPECT_EQ(errors.Count, 0) << errors.Text.toStdString();
    }
    EXPECT_EQ(Main->ShownFrame(), -1);
    EXPECT_EQ(Main->RecordedFrames(), 7);
    Main->SetProcessing(false);
    ASSERT_TRUE(Main->WaitForEngine());
    EXPECT_GE(Main->Snapshot()->IterationCount, Iterations[5]);
}

TEST_F(RecorderTest, ASavedRecordingComesBackWithItsFile) {
    QTemporaryDir folder;
    Record(5);
    // The status bar tells how large the recording has grown.
    const auto* size = Main->findChild<QLabel*>("RecordingSizeLabel");
    ASSERT_NE(size, nullptr);
    EXPECT_TRUE(size->isVisibleTo(Main));
    EXPECT_TRUE(QRegularExpression("^Recording: [0-9.]+ [kM]B$").match(size->text()).hasMatch())
        << size->text().toStdString();
    const QString path = folder.filePath("recorded.astrivo");
    ASSERT_TRUE(Main->SaveSimulation(path));
    ASSERT_TRUE(Main->WaitForEngine());
    QApplication::processEvents();
    ASSERT_EQ(Main->CurrentFile(), path);
    Main->StepOnce1Click();
    TSaveChangesAnswer discard(QMessageBox::Discard);
    ASSERT_TRUE(Main->OpenSimulation(path));
    ASSERT_TRUE(Main->WaitForEngine());
    EXPECT_EQ(Main->RecordedFrames(), 6);
    // Resume from the end continues the saved run from its last frame.
    Action("ResumeProcessingatEnd1")->trigger();
    EXPECT_TRUE(Main->Processing());
    Main->SetProcessing(false);
    ASSERT_TRUE(Main->WaitForEngine());
    EXPECT_GE(Main->Snapshot()->IterationCount, Iterations.back());
    EXPECT_EQ(Main->RecordedFrames(), 6);
}

// A recording the user named is a simulation file of its own, still open in the recorder:
// it opens as the simulation was when recording stopped, with its views and its frames.
TEST_F(RecorderTest, ANamedRecordingOpensAsTheSimulationItRecorded) {
    QTemporaryDir folder;
    const QString path = folder.filePath("named.astrivo");
    // Names the file in New Recording's dialog, and later drops the unsaved work.
    TSaveChangesAnswer answer(QMessageBox::Discard, path);
    Action("StartRecording1")->trigger();
    ASSERT_TRUE(Main->WaitForEngine());
    ASSERT_TRUE(Main->Recording());
    RecordSteps(4);
    Action("StartRecording2")->trigger();
    ASSERT_TRUE(Main->WaitForEngine());
    ASSERT_FALSE(Main->Recording());
    const QString caption = Main->Views().at(0)->windowTitle();
    Main->StepOnce1Click();
    ASSERT_TRUE(Main->WaitForEngine());

    // Read as Open reads it, so that a refusal fails here rather than in a message box.
    {
        TSimulationContents contents;
        std::unique_ptr<TRecording> recording;
        QString error;
        ASSERT_TRUE(Main->Session().ReadFile(path, contents, recording, error))
            << error.toStdString();
    }
    ASSERT_TRUE(Main->OpenSimulation(path));
    ASSERT_TRUE(Main->WaitForEngine());
    EXPECT_EQ(Main->Snapshot()->IterationCount, Iterations.back());
    EXPECT_EQ(Main->Snapshot()->Particles[5].X, Positions.back());
    ASSERT_EQ(Main->Views().size(), 1);
    EXPECT_EQ(Main->Views().at(0)->windowTitle(), caption);
    ASSERT_EQ(Main->RecordedFrames(), 5);
    EXPECT_EQ(Main->Session().Recorder().FrameIteration(4), Iterations.back());
}

std::string ReadBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A recording too long to be saved in memory goes straight to the disk; failing there must
// be as harmless as anywhere else. The test program's normal end is part of the test.
TEST_F(RecorderTest, ALongRecordingThatCannotBeSavedLeavesTheOldFileAndSaysWhy) {
    Record(110);
    ASSERT_GT(Main->RecordedFrames(), 100);
    QTemporaryDir temporary;
    const QString folder = temporary.filePath("runs");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath("long.astrivo");
    ASSERT_TRUE(Main->SaveSimulation(path));
    ASSERT_TRUE(Main->WaitForEngine());
    QApplication::processEvents();
    ASSERT_EQ(Main->CurrentFile(), path);
    const std::string before = ReadBytes(path);
    const auto saveFails = [&](const char* why) {
        TMessageBoxCloser closer;
        ASSERT_TRUE(Main->SaveSimulation(path));
        ASSERT_TRUE(Main->WaitForEngine());
        QTest::qWait(50);
        EXPECT_EQ(closer.Count, 1);
        EXPECT_EQ(closer.Icon, QMessageBox::Critical);
        EXPECT_TRUE(closer.Text.contains(why)) << closer.Text.toStdString();
    };

    // The disk full: files of this process may not grow past half the old file's size.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = before.size() / 2;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    saveFails("File too large");
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // The folder read-only, for a user whom that stops.
    std::filesystem::permissions(folder.toStdString(), std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::owner_exec);
    if (::access(folder.toLocal8Bit().constData(), W_OK) != 0) {
        saveFails("Permission denied");
        EXPECT_EQ(ReadBytes(path), before);
    }
    std::filesystem::permissions(folder.toStdString(), std::filesystem::perms::owner_all);

    // The folder gone.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    saveFails("No such file or directory");
    EXPECT_EQ(Main->CurrentFile(), path);
}

TEST_F(RecorderTest, TheOptionsDialogErasesOnlyAfterAsking) {
    Record(3);
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
    EXPECT_EQ(Main->RecordedFrames(), 0);
    EXPECT_EQ(Main->Session().Recorder().Options().PlaybackRate, 12);
    EXPECT_FALSE(Action("Play1")->isEnabled());
}

TEST_F(RecorderTest, ARecordingThatGrowsLargeAsksOnceWhetherToGoOn) {
    QTemporaryDir folder;
    QMessageBox::StandardButton goOn = QMessageBox::Yes;
    int asked = 0;
    QTimer answers;
    answers.setInterval(5);
    QObject::connect(&answers, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            // Only the size question is counted; discarding the unsaved recording is agreed.
            const bool large = box->text().startsWith("The recording has grown to");
            asked += large ? 1 : 0;
            box->button(large ? goOn : QMessageBox::Yes)->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            files->selectFile(folder.filePath("second"));
            QMetaObject::invokeMethod(files, "accept");
        }
    });
    answers.start();
    // Steps with the window's events run between them, as the message loop runs them.
    const auto step = [&](int count) {
        for (int s = 0; s < count; ++s) {
            Main->StepOnce1Click();
            ASSERT_TRUE(Main->WaitForEngine());
            QTest::qWait(20);
        }
    };
    // A gigabyte would take minutes to write: the size asked about is lowered to what the
    // recording has reached (the file grows in large blocks, not with every frame). The
    // question comes after the step that reached the size, and is answered before going on.
    const auto reachSize = [&](int questions) {
        Main->SetLargeRecording(Main->Session().Recorder().Bytes());
        step(1);
        for (int k = 0; k < 1000 && (asked < questions || QApplication::activeModalWidget()); ++k)
            QTest::qWait(10);
        // Going on records the universe as it is now: that frame too is in before counting.
        ASSERT_TRUE(Main->WaitForEngine());
        QTest::qWait(20);
    };

    Action("StartRecording2")->trigger();
    step(2);
    reachSize(1);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Main->Recording()); // Yes goes on,
    int frames = Main->RecordedFrames();
    step(3);
    EXPECT_EQ(asked, 1); // and is not asked again for this recording.
    EXPECT_EQ(Main->RecordedFrames(), frames + 3);

    // A new recording starts below the size (a gigabyte, as the program has it), and is
    // asked about again when it reaches it.
    goOn = QMessageBox::No;
    Main->SetLargeRecording(1'000'000'000);
    Action("StartRecording1")->trigger();
    ASSERT_TRUE(Main->Recording());
    EXPECT_TRUE(QFile::exists(folder.filePath("second.astrivo")));
    step(1);
    reachSize(2);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(Main->Recording()); // No stops recording,
    frames = Main->RecordedFrames();
    step(2);
    EXPECT_EQ(Main->RecordedFrames(), frames);
    // and recording started again by hand goes on without asking.
    Action("StartRecording2")->trigger();
    step(3);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(Main->Recording());
    EXPECT_GE(Main->RecordedFrames(), frames + 3);
}

} // namespace
