// Keeping a view's picture: export to a PNG file, copy to the clipboard, and the grid.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/PictureName.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QMessageBox>

void TMainForm::FileExportItemClick() {
    TMDIChild* view = ActiveView();
    if (!view)
        return;
    // The picture the user saw when asking; processing goes on while the dialog is open.
    const QImage picture = view->Picture();
    const QString caption = view->SubWindow()->windowTitle();
    ExportDialog->selectFile(QString::fromStdString(
        PictureName::DefaultFileName(caption.toStdString(), view->PictureIteration())));
    if (ExportDialog->exec() != QDialog::Accepted)
        return;
    const QStringList files = ExportDialog->selectedFiles();
    if (files.isEmpty())
        return;
    const QString path = files.first();
    if (picture.isNull() || !picture.save(path, "PNG"))
        QMessageBox::critical(this, windowTitle(),
                              QStringLiteral("The picture could not be saved as\n%1")
                                  .arg(QDir::toNativeSeparators(path)));
}

void TMainForm::CopyItemClick() {
    if (TMDIChild* view = ActiveView())
        QGuiApplication::clipboard()->setImage(view->Picture());
}

void TMainForm::ShowGrid1Click() {
    QAction* item = Actions.ShowGrid1;
    if (TMDIChild* view = ActiveView())
        view->SetShowGrid(item->isChecked());
    else
        item->setChecked(false);
}
