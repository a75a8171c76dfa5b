// What the desktop keeps between runs: the windows' places, the Speed choice, the recorder
// options, the last folders and the recent files, through QSettings.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/DesktopLayout.h"
#include "Options/Options.h"
#include "Storage/Recorder.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QSettings>

#include <algorithm>

namespace {

const QString GeometryKey = QStringLiteral("MainWindow/Geometry");
const QString PropertiesKey = QStringLiteral("Properties/Position");
const QString SpeedKey = QStringLiteral("Processing/Speed");
const QString KeyframeKey = QStringLiteral("Recorder/KeyframeInterval");
const QString RecordEveryKey = QStringLiteral("Recorder/RecordEvery");
const QString PlaybackKey = QStringLiteral("Recorder/PlaybackRate");
const QString SimulationFolderKey = QStringLiteral("Folders/Simulations");
const QString PictureFolderKey = QStringLiteral("Folders/Pictures");
const QString FrameFolderKey = QStringLiteral("Folders/Frames");
const QString RecentKey = QStringLiteral("RecentFiles");

// The properties window's width follows its contents, which change once it is shown and
// the universe runs: View 1 leaves it a little more room than it takes before showing.
constexpr int GrowingRoom = 32;

TViewRect RectOf(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

QRect QRectOf(const TViewRect& r) {
    return {r.Left, r.Top, r.Width, r.Height};
}

TViewRect ScreenOf(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? RectOf(screen->availableGeometry()) : TViewRect{0, 0, 1024, 768};
}

} // namespace

void TMainForm::RestoreDesktop() {
    QSettings memory;
    const QByteArray geometry = memory.value(GeometryKey).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        setGeometry(QRectOf(DesktopLayout::FirstMainWindow(ScreenOf(this))));

    if (FPropertiesDlg && memory.contains(SpeedKey)) {
        const int speed = memory.value(SpeedKey).toInt();
        if (speed >= 0 && speed < FPropertiesDlg->ComboBoxSpeed->count())
            FPropertiesDlg->ComboBoxSpeed->setCurrentIndex(speed);
    }

    TRecorderOptions options = FSession->Recorder().Options();
    options.KeyframeInterval = memory.value(KeyframeKey, options.KeyframeInterval).toInt();
    options.RecordEvery = memory.value(RecordEveryKey, options.RecordEvery).toInt();
    options.PlaybackRate = memory.value(PlaybackKey, options.PlaybackRate).toInt();
    // Options edited by hand out of their ranges are left at what the recorder has.
    if (options.Problem().empty())
        FSession->SetOptions(options);

    FSimulationFolder = memory.value(SimulationFolderKey).toString();
    if (!FSimulationFolder.isEmpty())
        OpenDialog->setDirectory(FSimulationFolder);
    if (const QString pictures = memory.value(PictureFolderKey).toString(); !pictures.isEmpty())
        ExportDialog->setDirectory(pictures);
    FExportFolder = memory.value(FrameFolderKey).toString();
    ShowRecentFiles();
}

void TMainForm::PlacePropertiesDlg() {
    if (!FPropertiesDlg)
        return;
    QSettings memory;
    const TViewRect screen = ScreenOf(this);
    // Not yet shown, the window has no size of its own: it is given the one showing gives it.
    if (!FPropertiesDlg->isVisible()) {
        FPropertiesDlg->ensurePolished();
        FPropertiesDlg->adjustSize();
    }
    const QSize size = FPropertiesDlg->frameGeometry().size();
    if (memory.contains(PropertiesKey)) {
        const QPoint at = memory.value(PropertiesKey).toPoint();
        const TViewRect kept =
            DesktopLayout::KeepOnScreen({at.x(), at.y(), size.width(), size.height()}, screen);
        FPropertiesDlg->move(kept.Left, kept.Top);
        return;
    }
    const QList<TMDIChild*> views = Views();
    if (views.isEmpty())
        return;
    // The views a file brings keep their sizes.
    if (views.size() == 1 && CurrentFile().isEmpty())
        SizeFirstView(views.first(), size.width() + GrowingRoom);
    const QMdiSubWindow* first = views.first()->SubWindow();
    const QRect view(first->mapToGlobal(QPoint(0, 0)), first->size());
    const TViewRect place =
        DesktopLayout::PropertiesBeside(screen, size.width(), size.height(), RectOf(view));
    FPropertiesDlg->move(place.Left, place.Top);
}

void TMainForm::SaveDesktop() {
    QSettings memory;
    memory.setValue(GeometryKey, saveGeometry());
    if (FPropertiesDlg) {
        memory.setValue(PropertiesKey, FPropertiesDlg->pos());
        memory.setValue(SpeedKey, FPropertiesDlg->ComboBoxSpeed->currentIndex());
    }
    const TRecorderOptions options = FSession->Recorder().Options();
    memory.setValue(KeyframeKey, options.KeyframeInterval);
    memory.setValue(RecordEveryKey, options.RecordEvery);
    memory.setValue(PlaybackKey, options.PlaybackRate);
    memory.setValue(SimulationFolderKey, FSimulationFolder);
    memory.setValue(PictureFolderKey, ExportDialog->directory().absolutePath());
    memory.setValue(FrameFolderKey, FExportFolder);
}

QStringList TMainForm::RecentFiles() const {
    return QSettings().value(RecentKey).toStringList();
}

void TMainForm::RememberFile(const QString& path) {
    const QFileInfo file(path);
    std::vector<std::string> recent;
    for (const QString& entry : RecentFiles())
        recent.push_back(entry.toStdString());
    QStringList list;
    for (const std::string& entry :
         DesktopLayout::WithRecentFile(recent, file.absoluteFilePath().toStdString()))
        list.append(QString::fromStdString(entry));
    QSettings memory;
    memory.setValue(RecentKey, list);
    FSimulationFolder = file.absolutePath();
    memory.setValue(SimulationFolderKey, FSimulationFolder);
    OpenDialog->setDirectory(FSimulationFolder);
    ShowRecentFiles();
}

void TMainForm::ShowRecentFiles() {
    QAction* item = Actions.FileRecentItem;
    QMenu* menu = item->menu<QMenu*>();
    if (!menu) {
        menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("RecentFilesMenu"));
        item->setMenu(menu);
    }
    menu->clear();
    const QStringList recent = RecentFiles();
    for (qsizetype i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        QAction* entry =
            menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        entry->setStatusTip(QDir::toNativeSeparators(path));
        connect(entry, &QAction::triggered, this, [this, path] {
            // A file that is gone or no longer opens leaves the list.
            if (OpenSimulation(path))
                return;
            QStringList left = RecentFiles();
            left.removeAll(path);
            QSettings().setValue(RecentKey, left);
            ShowRecentFiles();
        });
    }
    item->setEnabled(!recent.isEmpty());
}

void TMainForm::SizeFirstView(TMDIChild* view, int propertiesWidth) {
    QMdiSubWindow* window = view->SubWindow();
    const QWidget* area = MDIClient->viewport();
    const TViewRect wanted = DesktopLayout::FirstView(
        RectOf(QRect(area->mapToGlobal(QPoint(0, 0)), area->size())), ScreenOf(this),
        propertiesWidth, window->width(), window->height());
    if (QRectOf(wanted) == window->geometry())
        return;
    const int before = view->height();
    window->setGeometry(QRectOf(wanted));
    view->FormResize();
    // The new view's zoom is a share of its height: the universe keeps its share of the
    // larger view.
    const double scale = static_cast<double>(view->height()) / std::max(before, 1);
    view->TurnCamera([scale](TViewCamera& camera) {
        camera.ZoomX *= scale;
        camera.ZoomY *= scale;
        return scale != 1;
    });
}

void TMainForm::PlaceViewInArea(TMDIChild* view, const QRect& wanted) {
    QMdiSubWindow* window = view->SubWindow();
    const QSize area = MDIClient->viewport()->size();
    const QSize least = window->minimumSizeHint();
    const TViewRect kept = DesktopLayout::KeepInArea(RectOf(wanted), area.width(), area.height(),
                                                     least.width(), least.height());
    if (QRectOf(kept) != window->geometry())
        window->setGeometry(QRectOf(kept));
}
