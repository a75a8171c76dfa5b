// The session: its runner and live snapshot, its file, and taking frames. Playback and
// resuming are in SessionPlayback.cpp.
#include "Main/SimulationSession.h"

#include "Storage/Recorder.h"
#include "Storage/SimulationFile.h"
#include "settings/SettingsTable.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QUuid>

namespace {

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Whether two sets of settings describe the same simulation, as far as a file keeps them.
// The view page's settings follow whichever view is active, and every view keeps its own in
// the file: switching views is no change to save. With processingOnly, the settings that
// only the next build takes are passed over too: a build about to take them loses nothing.
bool SameSimulation(const TSettings& a, const TSettings& b, bool processingOnly) {
    for (const TSettingRow& row : SettingsTable::All()) {
        const bool viewPage = row.Integer == &TSettings::PartSize ||
                              row.Integer == &TSettings::Contrast ||
                              row.Flag == &TSettings::ShowLuminance;
        if (!row.Kept || viewPage || (processingOnly && !row.Engine.Exists()))
            continue;
        if (SettingsTable::Value(a, row) != SettingsTable::Value(b, row))
            return false;
    }
    return true;
}

} // namespace

TSimulationSession::TSimulationSession(QObject* parent)
    : QObject(parent), FRecorder(std::make_unique<TRecorder>()) {
    // The runner calls back on its engine thread; the notice reaches the window thread
    // through the session's own queue, one at a time however many steps were published.
    FRunner = std::make_unique<TSimulationRunner>([this] {
        if (!FSnapshotPosted.exchange(true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    FSnapshotPosted = false;
                    emit Published();
                },
                Qt::QueuedConnection);
    });
    PlayTimer = new QTimer(this);
    PlayTimer->setObjectName(QStringLiteral("PlayTimer"));
    PlayTimer->setTimerType(Qt::PreciseTimer);
    connect(PlayTimer, &QTimer::timeout, this, &TSimulationSession::PlayTimerTimer);
}

TSimulationSession::~TSimulationSession() {
    // Ends the engine thread (cancelling its work) first: the jobs it runs use the session
    // and the recorder.
    FRunner.reset();
}

bool TSimulationSession::TakeSnapshot() {
    std::shared_ptr<const TUniverseSnapshot> newest = FRunner->Latest();
    if (!newest || (FSnapshot && newest->Serial <= FSnapshot->Serial))
        return false;
    FSnapshot = std::move(newest);
    // A cancelled build was overtaken by a newer one, which is the one to wait for.
    if (FAdoptNextBuild && FSnapshot->BuildCount != FSavedBuild &&
        FSnapshot->Build != TUniverseSnapshot::TBuild::Cancelled) {
        FAdoptNextBuild = false;
        FSavedBuild = FSnapshot->BuildCount;
        FSavedIteration = FSnapshot->IterationCount;
    }
    UpdateModified();
    return true;
}

int TSimulationSession::LiveParticles() const {
    return FSnapshot ? FSnapshot->LastIndex() + 1 : 0;
}

// ---- The file ----

void TSimulationSession::SetCurrentFile(const QString& path) {
    FCurrentFile = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

bool TSimulationSession::UnsavedRecording() const {
    return !FRecordingSaved && RecordedFrames() > 0;
}

QString TSimulationSession::TemporaryRecordingPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return QDir(folder).filePath(QStringLiteral("astrivo-recording-%1.astrivo")
                                     .arg(QUuid::createUuid().toString(QUuid::Id128)));
}

void TSimulationSession::Save(const QString& path, TSettings settings, TViewsRecord views) {
    // The engine writes its own state between two steps; the session hears how it went,
    // and at which step the universe was written.
    TRecorder* recorder = FRecorder.get();
    FRunner->Run([this, recorder, path, generation = FGeneration, settings = std::move(settings),
                  views = std::move(views)](TUniverse& universe) {
        const TStorageResult result = recorder->Save(ToPath(path), universe, settings, views);
        const QString error = result.Ok ? QString() : QString::fromStdString(result.Message);
        const std::int32_t iteration = universe.IterationCount;
        QMetaObject::invokeMethod(
            this,
            [this, path, error, generation, iteration, settings] {
                FinishSave(path, error, generation, iteration, settings);
            },
            Qt::QueuedConnection);
    });
}

void TSimulationSession::FinishSave(const QString& path, const QString& error,
                                    std::uint64_t generation, std::int32_t iteration,
                                    const TSettings& settings) {
    // A save of a universe that a fresh one has replaced since says how it went, but the
    // new universe is neither that file's nor saved.
    if (error.isEmpty() && generation == FGeneration) {
        SetCurrentFile(path);
        // Frames taken while recording goes on are after the save.
        FRecordingSaved = !FRecording;
        FSavedSettings = settings;
        FSavedIteration = iteration;
        if (FSnapshot && !FAdoptNextBuild)
            FSavedBuild = FSnapshot->BuildCount;
        UpdateModified();
    }
    emit SaveEnded(error);
}

void TSimulationSession::StartAfresh(const TSettings& settings) {
    ++FGeneration;
    FSettings = settings;
    FSavedSettings = settings;
    FRecordingSaved = true;
    FAdoptNextBuild = true;
    FSavedBuild = FSnapshot ? FSnapshot->BuildCount : 0;
    UpdateModified();
}

bool TSimulationSession::ModifiedBeyondNextBuild() const {
    return FModified && (!FRecordingSaved || UniverseChanged() ||
                         !SameSimulation(FSettings, FSavedSettings, true));
}

bool TSimulationSession::UniverseChanged() const {
    return FSnapshot && !FAdoptNextBuild &&
           (FSnapshot->BuildCount != FSavedBuild || FSnapshot->IterationCount != FSavedIteration);
}

void TSimulationSession::SettingsEdited(const TSettings& settings) {
    FSettings = settings;
    UpdateModified();
}

void TSimulationSession::UpdateModified() {
    const bool modified =
        UniverseChanged() || !FRecordingSaved || !SameSimulation(FSettings, FSavedSettings, false);
    if (modified == FModified)
        return;
    FModified = modified;
    emit ModifiedChanged(modified);
}

bool TSimulationSession::ReadFile(const QString& path, TSimulationContents& contents,
                                  std::unique_ptr<TRecording>& recording, QString& error) const {
    const TStorageResult result = SimulationFile::Load(ToPath(path), contents);
    if (!result.Ok) {
        error = QString::fromStdString(result.Message);
        return false;
    }
    if (contents.HasRecording) {
        const TStorageResult extracted =
            TRecording::Extract(ToPath(path), ToPath(TemporaryRecordingPath()), recording);
        if (!extracted.Ok) {
            error = QStringLiteral("Cannot open %1. %2")
                        .arg(path, QString::fromStdString(extracted.Message));
            return false;
        }
        recording->SetTemporary(true);
    }
    return true;
}

void TSimulationSession::AdoptRecording(std::unique_ptr<TRecording> recording) {
    FRecorder->Replace(std::move(recording));
    FRecordingSaved = true;
    UpdateModified();
}

// ---- Recording ----

int TSimulationSession::RecordedFrames() const {
    return FRecorder->FrameCount();
}

bool TSimulationSession::RecordingFits() const {
    return FRecorder->HasRecording() && FRecorder->ParticleCount() == LiveParticles();
}

bool TSimulationSession::StartNewRecording(const QString& path, int particles, bool temporary) {
    std::unique_ptr<TRecording> recording;
    const TStorageResult result =
        TRecording::Create(ToPath(path), particles, FRecorder->Options(), recording);
    if (!result.Ok) {
        emit Failed(QString::fromStdString(result.Message));
        return false;
    }
    recording->SetTemporary(temporary);
    SetPlaying(false);
    LeavePlayback();
    FRecorder->Replace(std::move(recording));
    FRecordingSaved = false;
    UpdateModified();
    return true;
}

void TSimulationSession::SetRecording(bool value) {
    if (value && (LiveParticles() <= 0 || !RecordingFits()))
        value = false;
    if (value) {
        LeavePlayback();
        FRecordingSaved = false;
        UpdateModified();
        // Frames are taken on the engine thread, in order with the steps: the first is the
        // state when recording starts, then one after each step.
        TRecorder* recorder = FRecorder.get();
        FRunner->SetStepObserver([this, recorder](const TUniverse& universe, bool running) {
            if (const TStorageResult result = recorder->StepTaken(universe, running); !result.Ok)
                PostRecordingFailed(result.Message);
        });
        FRunner->Run([this, recorder](TUniverse& universe) {
            if (const TStorageResult result = recorder->Begin(universe); !result.Ok)
                PostRecordingFailed(result.Message);
        });
    } else if (FRecording) {
        TRecorder* recorder = FRecorder.get();
        FRunner->Run([recorder](TUniverse&) { recorder->Stop(); });
    }
    FRecording = value;
    emit RecordingChanged(value);
    emit PositionChanged();
}

// On the engine thread.
void TSimulationSession::PostRecordingFailed(const std::string& message) {
    const QString error = QString::fromStdString(message);
    QMetaObject::invokeMethod(
        this, [this, error] { RecordingFailed(error); }, Qt::QueuedConnection);
}

void TSimulationSession::RecordingFailed(const QString& error) {
    SetRecording(false);
    emit Failed(QStringLiteral("Recording stopped. %1").arg(error));
}

void TSimulationSession::Erase() {
    SetPlaying(false);
    SetRecording(false);
    LeavePlayback();
    FRecorder->Truncate(-1);
    FRecordingSaved = false;
    UpdateModified();
}

void TSimulationSession::SetOptions(const TRecorderOptions& options) {
    if (const TStorageResult result = FRecorder->SetOptions(options); !result.Ok)
        emit Failed(QString::fromStdString(result.Message));
    if (FPlaying)
        PlayTimer->start(std::max(1, 1000 / options.PlaybackRate));
}
