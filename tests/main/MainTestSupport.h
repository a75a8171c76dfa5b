#pragma once

#include "About/About.h"
#include "Childwin/ChildWin.h"
#include "Main/Main.h"
#include "Main/Program.h"
#include "Options/Options.h"
#include "universe/Universe.h"

#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

/// Closes every modal message box as soon as it appears, remembering what it said.
class TMessageBoxCloser {
public:
    TMessageBoxCloser() {
        Timer.setInterval(5);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
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

/// The whole program, created as at start-up but not yet shown.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        Program = std::make_unique<TProgram>(*qobject_cast<QApplication*>(qApp));
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
    }

    QAction* Action(const char* name) const {
        return Main->findChild<QAction*>(QString::fromLatin1(name));
    }

    int ImageOf(const char* button) const {
        return Main->findChild<QWidget*>(QString::fromLatin1(button))
            ->property("ImageIndex")
            .toInt();
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
