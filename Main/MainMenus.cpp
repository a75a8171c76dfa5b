// The main window's menus and tool bar, built from the menu table.
#include "Main/Main.h"

#include "Main/ImageList.h"
#include "Main/MenuTable.h"

#include <QAction>
#include <QFileDialog>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

using THandler = void (TMainForm::*)();

struct TMenuBinding {
    TMenuAction Action;
    THandler Handler;
};

// The recorder's items are bound where the recorder is built (MainRecorder.cpp).
constexpr TMenuBinding MenuBindings[] = {
    {&TMenuActions::FileOpenItem, &TMainForm::FileOpenItemClick},
    {&TMenuActions::FileSaveItem, &TMainForm::FileSaveItemClick},
    {&TMenuActions::FileSaveAsItem, &TMainForm::FileSaveAsItemClick},
    {&TMenuActions::FileExportItem, &TMainForm::FileExportItemClick},
    {&TMenuActions::FileExitItem, &TMainForm::FileExitItemClick},
    {&TMenuActions::CutItem, &TMainForm::CutItemClick},
    {&TMenuActions::CopyItem, &TMainForm::CopyItemClick},
    {&TMenuActions::PasteItem, &TMainForm::PasteItemClick},
    {&TMenuActions::MenuViewNew, &TMainForm::MenuViewNewClick},
    {&TMenuActions::MenuViewClose, &TMainForm::MenuViewCloseClick},
    {&TMenuActions::MenuViewCloseAll, &TMainForm::MenuViewCloseAllClick},
    {&TMenuActions::Close2, &TMainForm::MenuViewCloseClick},
    {&TMenuActions::ShowGrid1, &TMainForm::ShowGrid1Click},
    {&TMenuActions::MenuViewFit, &TMainForm::MenuViewFitClick},
    {&TMenuActions::MenuViewFollow, &TMainForm::MenuViewFollowClick},
    {&TMenuActions::MenuViewStatistics, &TMainForm::MenuViewStatisticsClick},
    {&TMenuActions::MenuViewPreset1, &TMainForm::MenuViewPreset1Click},
    {&TMenuActions::WindowCascadeItem, &TMainForm::WindowCascadeItemClick},
    {&TMenuActions::WindowTileItem, &TMainForm::WindowTileItemClick},
    {&TMenuActions::WindowArrangeItem, &TMainForm::WindowArrangeItemClick},
    {&TMenuActions::WindowMinimizeItem, &TMainForm::WindowMinimizeItemClick},
    {&TMenuActions::ContinueProcessing1, &TMainForm::ContinueProcessing1Click},
    {&TMenuActions::StepOnce1, &TMainForm::StepOnce1Click},
    {&TMenuActions::HelpAboutItem, &TMainForm::HelpAboutItemClick},
    {&TMenuActions::Contents1, &TMainForm::Contents1Click},
};

struct TToolBinding {
    TToolButton Button;
    THandler Handler;
};

constexpr TToolBinding ToolBindings[] = {
    {&TToolButtons::ToolButton1, &TMainForm::ToolButton1Click},
    {&TToolButtons::ToolButton3, &TMainForm::FileOpenItemClick},
    {&TToolButtons::ToolButton5, &TMainForm::FileSaveItemClick},
    {&TToolButtons::ToolButton6, &TMainForm::ToolButton6Click},
    {&TToolButtons::ToolButton8, &TMainForm::ToolButton8Click},
    {&TToolButtons::ToolButton7, &TMainForm::ToolButton7Click},
};

} // namespace

void TMainForm::SetButtonImage(QToolButton* button, const TImageList& images, int index) {
    button->setIcon(images.Icon(index));
    button->setProperty("ImageIndex", index);
}

void TMainForm::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    for (const TMenuRow& entry : MenuTable::MainMenu()) {
        QMenu* menu = bar->addMenu(ToQString(entry.Caption));
        menu->setObjectName(ToQString(entry.Name));
        menu->menuAction()->setStatusTip(ToQString(entry.Hint));
        menu->menuAction()->setVisible(entry.Visible);
        for (const TMenuItemRow& item : entry.Items) {
            QAction* action = item.Caption == "-" ? menu->addSeparator()
                                                  : menu->addAction(ToQString(item.Caption));
            action->setObjectName(ToQString(item.Name));
            if (!item.Shortcut.empty())
                action->setShortcut(QKeySequence(ToQString(item.Shortcut)));
            action->setStatusTip(ToQString(item.Hint));
            action->setEnabled(item.Enabled);
            action->setVisible(item.Visible);
            action->setCheckable(item.Checkable);
            Actions.*item.Action = action;
        }
        if (entry.Name == "Window1")
            Window1 = menu;
    }
    for (const TMenuBinding& binding : MenuBindings) {
        QAction* action = Actions.*binding.Action;
        connect(action, &QAction::triggered, this, binding.Handler);
        // A hidden item's own shortcut is switched off with it; its key stays live here.
        if (!action->isVisible() && !action->shortcut().isEmpty())
            connect(new QShortcut(action->shortcut(), this), &QShortcut::activated, this,
                    binding.Handler);
    }

    // The Recorder menu is hidden, yet F5 must still toggle processing and F6 step: the
    // window itself carries the items so that their shortcuts stay live.
    addAction(Actions.ContinueProcessing1);
    addAction(Actions.StepOnce1);
    connect(Window1, &QMenu::aboutToShow, this, &TMainForm::ShowWindowMenu);
    BuildPresetMenu();

    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    // "*.*" would hide every file without a dot in its name.
    OpenDialog->setNameFilter(QStringLiteral("All files (*)"));
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);

    ExportDialog = new QFileDialog(this, QStringLiteral("Export Picture"));
    ExportDialog->setObjectName(QStringLiteral("ExportDialog"));
    ExportDialog->setNameFilter(QStringLiteral("PNG pictures (*.png)"));
    ExportDialog->setDefaultSuffix(QStringLiteral("png"));
    ExportDialog->setFileMode(QFileDialog::AnyFile);
    ExportDialog->setAcceptMode(QFileDialog::AcceptSave);
}

void TMainForm::BuildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(TImageList::Size, TImageList::Size));
    ToolBar1->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    for (const TToolButtonRow& entry : MenuTable::ToolBar()) {
        QWidget* widget = nullptr;
        if (entry.Image < 0) {
            auto* separator = new QFrame(ToolBar1);
            separator->setFrameShape(QFrame::VLine);
            separator->setFrameShadow(QFrame::Sunken);
            separator->setFixedWidth(MenuTable::SeparatorWidth);
            widget = separator;
        } else {
            auto* button = new QToolButton(ToolBar1);
            button->setAutoRaise(true);
            button->setFocusPolicy(Qt::NoFocus);
            SetButtonImage(button, *ImageList1, entry.Image);
            ToolButtons.*entry.Button = button;
            widget = button;
        }
        widget->setObjectName(ToQString(entry.Name));
        ToolBar1->addWidget(widget)->setVisible(entry.Visible);
    }
    for (const TToolBinding& binding : ToolBindings)
        connect(ToolButtons.*binding.Button, &QToolButton::clicked, this, binding.Handler);
}
