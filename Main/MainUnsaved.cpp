// Unsaved work: the question before the simulation is replaced or the program ends.
#include "Main/Main.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>

QString TMainForm::WithExtension(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QStringLiteral(".astrivo");
}

bool TMainForm::MaybeSaveChanges(bool building) {
    // A build from the settings loses nothing of the settings it takes: only the universe
    // and the recording it replaces count then. Closing and opening lose it all.
    if (building ? !FSession->ModifiedBeyondNextBuild() : !FSession->Modified())
        return true;
    // A second close while the question or its save is under way waits for that answer.
    if (FAskingToSave)
        return false;
    const QScopedValueRollback asking(FAskingToSave, true);
    const QString name =
        CurrentFile().isEmpty() ? QStringLiteral("Untitled") : QFileInfo(CurrentFile()).fileName();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Astrivo 2"),
                    QStringLiteral("Save changes to %1?").arg(name),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("SaveChangesBox"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    if (answer == QMessageBox::Discard)
        return true;
    if (answer != QMessageBox::Save || !FUniverseReady)
        return false;

    const QString path = CurrentFile().isEmpty() ? SavePath() : CurrentFile();
    if (path.isEmpty())
        return false;
    // What comes next replaces or drops what the save writes, so it waits for the save's
    // end. The window goes on drawing meanwhile but takes no input: nothing the user does
    // can slip in between.
    QEventLoop loop;
    bool saved = false;
    connect(FSession.get(), &TSimulationSession::SaveEnded, &loop,
            [&loop, &saved](const QString&, const QString& error) {
                saved = error.isEmpty();
                loop.quit();
            });
    connect(FSession.get(), &TSimulationSession::SaveCancelled, &loop, &QEventLoop::quit);
    if (!SaveSimulation(path))
        return false;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return saved;
}
