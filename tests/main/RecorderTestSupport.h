#pragma once

#include "MainTestSupport.h"

#include <QPushButton>

#include <vector>

/// Answers every question box by clicking a button, remembering what it asked.
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

/// The program shown with its first universe built, and helpers that record steps.
class RecorderTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
        ASSERT_TRUE(Main->WaitForEngine());
    }

    // Takes count steps, keeping each step's iteration and one particle's position.
    void RecordSteps(int count) {
        for (int s = 0; s < count; ++s) {
            Main->StepOnce1Click();
            ASSERT_TRUE(Main->WaitForEngine());
            Iterations.push_back(Main->Snapshot()->IterationCount);
            Positions.push_back(Main->Snapshot()->Particles[5].X);
        }
    }

    void Record(int steps) {
        Action("StartRecording2")->trigger();
        ASSERT_TRUE(Main->WaitForEngine());
        RecordSteps(steps);
        Action("StartRecording2")->trigger();
        ASSERT_TRUE(Main->WaitForEngine());
    }

    // Lets the engine finish restoring a frame to resume from, and the window hear of it.
    bool WaitForResume() {
        for (int k = 0; k < 600 && Main->ResumingFrame() >= 0; ++k) {
            Main->WaitForEngine(100);
            QApplication::processEvents();
        }
        const bool ended = Main->ResumingFrame() < 0;
        // The engine tells the window that the resume ended just before it publishes the
        // restored universe: take that too, as the window does at its next frame.
        Main->WaitForEngine();
        QApplication::processEvents();
        return ended;
    }

    std::vector<std::int32_t> Iterations;
    std::vector<double> Positions;
};
