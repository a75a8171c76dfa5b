// Every menu shortcut pressed as a key on a view, as a user presses it.
#include "MainTestSupport.h"

#include "Main/HelpWindow.h"

#include <QClipboard>
#include <QFileDialog>
#include <QMdiArea>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include <atomic>

namespace {

// Counts the platform's complaints about a key that two commands claim.
std::atomic<int> AmbiguousShortcuts{0};
QtMessageHandler PreviousHandler = nullptr;

void CountAmbiguous(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QStringLiteral("Ambiguous shortcut")))
        ++AmbiguousShortcuts;
    if (PreviousHandler)
        PreviousHandler(type, context, text);
}

class ShortcutTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
        Main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
        AmbiguousShortcuts = 0;
        PreviousHandler = qInstallMessageHandler(CountAmbiguous);
    }
    void TearDown() override {
        qInstallMessageHandler(PreviousHandler);
        EXPECT_EQ(AmbiguousShortcuts, 0);
        MainFormTest::TearDown();
    }

    // The key goes where a user's key goes: to the widget with the keyboard focus, which
    // is the active view.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Activate();
        Click(key, modifiers);
    }
    // A closed dialog hands the activation back only later; a user clicks back first.
    void Activate() {
        Main->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == Main; }, 2000));
    }
    void Click(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        TMDIChild* view = Main->ActiveView();
        if (view)
            view->setFocus();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Main;
        QTest::keyClick(target, key, modifiers);
        Settle();
    }

    // Presses a key that opens a modal dialog and closes that dialog unseen; returns its
    // name, or nothing when no dialog came.
    QString PressForDialog(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        Activate();
        QString shown;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                shown = modal->objectName();
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
            }
        });
        Click(key, modifiers);
        return shown;
    }
};

TEST_F(ShortcutTest, ViewCommandsByKey) {
    Press(Qt::Key_N, Qt::ControlModifier);
    Press(Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(Main->Views().size(), 3);

    // Ctrl+W closes the active view only (the view's frame no longer claims the key).
    TMDIChild* active = Main->ActiveView();
    Press(Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(Main->Views().size(), 2);
    EXPECT_FALSE(Main->Views().contains(active));

    // Ctrl+F4 closes one too.
    Press(Qt::Key_F4, Qt::ControlModifier);
    EXPECT_EQ(Main->Views().size(), 1);

    Press(Qt::Key_N, Qt::ControlModifier);
    Press(Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Main->Views().isEmpty());
    Press(Qt::Key_W, Qt::ControlModifier); // nothing left to close
    EXPECT_TRUE(Main->Views().isEmpty());

    Press(Qt::Key_F9);
    EXPECT_EQ(Main->Views().size(), 4);
}

TEST_F(ShortcutTest, ArrangingByKey) {
    Press(Qt::Key_N, Qt::ControlModifier);
    Press(Qt::Key_N, Qt::ControlModifier);
    const QList<TMDIChild*> views = Main->Views();

    Press(Qt::Key_F4, Qt::ShiftModifier); // tile: side by side, one row
    EXPECT_EQ(views[0]->SubWindow()->y(), views[1]->SubWindow()->y());
    EXPECT_LT(views[0]->SubWindow()->x(), views[1]->SubWindow()->x());

    Press(Qt::Key_F5, Qt::ShiftModifier); // cascade: a stair from the top left
    EXPECT_EQ(views[0]->SubWindow()->pos(), QPoint(0, 0));
    EXPECT_GT(views[1]->SubWindow()->x(), 0);
    EXPECT_EQ(views[1]->SubWindow()->x(), views[1]->SubWindow()->y());
}

TEST_F(ShortcutTest, ProcessingPictureAndFileCommandsByKey) {
    Press(Qt::Key_F5);
    EXPECT_TRUE(Main->Processing());
    Press(Qt::Key_F5);
    EXPECT_FALSE(Main->Processing());
    ASSERT_TRUE(Main->WaitForEngine());
    const int before = Main->ActiveView()->Snapshot()->IterationCount;
    Press(Qt::Key_F6); // one step, done on the engine's own thread
    ASSERT_TRUE(Main->WaitForEngine());
    EXPECT_EQ(Main->ActiveView()->Snapshot()->IterationCount, before + 1);

    QGuiApplication::clipboard()->clear();
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              Main->ActiveView()->Picture());

    EXPECT_EQ(PressForDialog(Qt::Key_O, Qt::ControlModifier), "OpenDialog");
    EXPECT_EQ(PressForDialog(Qt::Key_E, Qt::ControlModifier), "ExportDialog");
    // With no current file both save commands ask for a name.
    EXPECT_EQ(PressForDialog(Qt::Key_S, Qt::ControlModifier), "SaveDialog");
    EXPECT_EQ(PressForDialog(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier), "SaveDialog");
    TSaveChangesAnswer discard(QMessageBox::Discard); // the step above is unsaved
    Press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(Main->isVisible());
}

TEST_F(ShortcutTest, F1OpensOneHelpWindowWhoseSectionsAreAllThere) {
    Press(Qt::Key_F1);
    auto* help = Main->findChild<THelpWindow*>(QStringLiteral("HelpWindow"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->isWindow()) << "a window of its own, beside the views";
    Press(Qt::Key_F1);
    EXPECT_EQ(Main->findChildren<THelpWindow*>().size(), 1);

    // The page came from the program's resources, links and all: every link of the page's
    // table of contents leads to a section that exists.
    const QTextDocument* page = help->Browser->document();
    QStringList links, anchors;
    for (QTextBlock block = page->begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (format.anchorHref().startsWith('#'))
                links << format.anchorHref().mid(1);
            anchors << format.anchorNames();
        }
    for (const char* section : {"views", "properties", "display", "presets", "recorder", "files",
                                "command-line", "tree"}) {
        EXPECT_TRUE(links.contains(section)) << section;
        EXPECT_TRUE(anchors.contains(section)) << section;
    }
    const QString text = page->toPlainText();
    for (const char* fact :
         {"Shift + left button", "Ctrl + left button", "Right button", "Universe", "Processing",
          "View", "wall-eyed", "red/cyan glasses", "--statistics", "--run", "--export-video",
          "--version", "--help", "Tree (fast, approximate)"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(fact))) << fact;
}

} // namespace
