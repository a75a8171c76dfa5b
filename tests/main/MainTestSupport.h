#pragma once

#include "About/About.h"
#include "Childwin/ChildWin.h"
#include "Main/Main.h"
#include "Main/Program.h"
#include "Options/Options.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

/// The engine's universe as it stood once the commands sent so far were carried out.
struct TEngineState {
    bool HasParticles = false;
    std::int32_t LastIndex = 0, PairLast = 0, IterationCount = 0, Formation = 0;
    std::int32_t RedoFrequency = 0, MatrixResolution = 0, LocalitySize = 0, MaxSeparation = 0;
    bool UseThermodynamics = false;
    double Distribution = 0, Space = 0, Velocity = 0, Mass = 0, Globular = 0, Friction = 0,
           Pressure = 0, Separation = 0, Radiation = 0;
    double FirstX = 0; // the first particle's X, when there is one
};

/// Closes every modal message box as soon as it appears, remembering what it said. With
/// leaveSaveChanges it leaves the "Save changes" question to a TSaveChangesAnswer: both
/// poll, and under load either may see the question first.
class TMessageBoxCloser {
public:
    explicit TMessageBoxCloser(bool leaveSaveChanges = false) {
        Timer.setInterval(5);
        QObject::connect(&Timer, &QTimer::timeout, [this, leaveSaveChanges] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && !(leaveSaveChanges && box->objectName() == "SaveChangesBox")) {
                Text = box->text();
                Icon = box->icon();
                ++Count;
                box->done(QMessageBox::Ok);
            }
        });
        Timer.start();
    }

    QTimer Timer;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    int Count = 0;
};

/// Answers every "Save changes to ...?" question with Answer as soon as it appears, and a
/// file dialog that follows with SaveAs (or cancels it when SaveAs is empty).
class TSaveChangesAnswer {
public:
    explicit TSaveChangesAnswer(QMessageBox::StandardButton answer, QString saveAs = QString())
        : Answer(answer), SaveAs(std::move(saveAs)) {
        Timer.setInterval(5);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal);
                box && box->objectName() == "SaveChangesBox") {
                Text = box->text();
                ++Count;
                box->button(Answer)->click();
            } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                if (SaveAs.isEmpty()) {
                    files->reject();
                } else {
                    files->selectFile(SaveAs);
                    QMetaObject::invokeMethod(files, "accept");
                }
            }
        });
        Timer.start();
    }

    QTimer Timer;
    QMessageBox::StandardButton Answer;
    QString SaveAs;
    QString Text;
    int Count = 0;
};

/// The whole program, created as at start-up but not yet shown.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        Program = std::make_unique<TProgram>(*qobject_cast<QApplication*>(qApp));
        // Each test starts as a first run: nothing remembered from the tests before it.
        QSettings().clear();
        Main = Program->MainForm();
        Dialog = Program->PropertiesDlg();
    }

    void TearDown() override {
        Program.reset();
        QApplication::processEvents();
    }

    /// Shows the main window as the message loop would: builds the universe, opens View 1.
    void ShowMain() {
        Main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Main));
        ASSERT_TRUE(Main->WaitForEngine());
    }

    QAction* Action(const char* name) const {
        return Main->findChild<QAction*>(QString::fromLatin1(name));
    }

    int ImageOf(const char* button) const {
        return Main->findChild<QWidget*>(QString::fromLatin1(button))
            ->property("ImageIndex")
            .toInt();
    }

    /// Reads the engine's universe on its own thread, in turn after the commands sent.
    TEngineState Engine() const {
        std::promise<TEngineState> reply;
        std::future<TEngineState> state = reply.get_future();
        Main->Runner().Run([&reply](TUniverse& u) {
            TEngineState s;
            s.HasParticles = u.Particles != nullptr;
            s.LastIndex = u.LastIndex;
            s.PairLast = u.PairLast;
            s.IterationCount = u.IterationCount;
            s.Formation = u.Formation;
            s.RedoFrequency = u.RedoFrequency;
            s.MatrixResolution = u.MatrixResolution;
            s.LocalitySize = u.LocalitySize;
            s.MaxSeparation = u.MaxSeparation;
            s.UseThermodynamics = u.UseThermodynamics;
            s.Distribution = u.Distribution;
            s.Space = u.Space;
            s.Velocity = u.Velocity;
            s.Mass = u.Mass;
            s.Globular = u.Globular;
            s.Friction = u.Friction;
            s.Pressure = u.Pressure;
            s.Separation = u.Separation;
            s.Radiation = u.Radiation;
            s.FirstX = s.HasParticles ? u.Particles[0].X : 0;
            reply.set_value(s);
        });
        EXPECT_EQ(state.wait_for(std::chrono::seconds(60)), std::future_status::ready);
        return state.get();
    }

    /// Lets the engine finish what it was sent and the window show the result.
    void Finish() const { EXPECT_TRUE(Main->WaitForEngine()); }

    /// One more published step, shown by the window: with processing off one is asked for.
    void NextStep() const {
        const auto latest = Main->Runner().Latest();
        const std::uint64_t serial = latest ? latest->Serial : 0;
        if (!Main->Processing())
            Main->StepOnce1Click();
        EXPECT_NE(Main->Runner().WaitForSnapshotAfter(serial, std::chrono::seconds(60)), nullptr);
        Main->TakeSnapshot();
    }

    /// Lets closed windows go and pending events run.
    static void Settle() {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }

    std::unique_ptr<TProgram> Program;
    TMainForm* Main = nullptr;
    TPropertiesDlg* Dialog = nullptr;
};
