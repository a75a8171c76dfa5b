// The session: its runner and live snapshot, its file, and taking frames. Playback and
// resuming are in SessionPlayback.cpp.
#include "Main/SimulationSession.h"

#include "Storage/Recorder.h"
#include "Storage/SaveControl.h"
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

#include <algorithm>

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
    // A universe of another size while recording (a build, Apply All) goes on in a new
    // scratch recording, made on the engine thread when its first frame comes.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    FRecorder->SetRenewal([folder](std::int32_t particles, const TRecorderOptions& options,
                                   std::unique_ptr<TRecording>& recording) {
        const TStorageResult made = TRecording::Create(ToPath(TemporaryRecordingPath(folder)),
                                                       particles, options, recording);
        if (made.Ok)
            recording->SetTemporary(true);
        return made;
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
    return TemporaryRecordingPath(QStandardPaths::writableLocation(QStandardPaths::TempLocation));
}

QString TSimulationSession::TemporaryRecordingPath(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("astrivo-recording-%1.astrivo")
                                     .arg(QUuid::createUuid().toString(QUuid::Id128)));
}

void TSimulationSession::Save(const QString& path, TSettings settings, TViewsRecord views) {
    // The engine writes its own state between two steps; the session hears how it went,
    // and at which step the universe was written.
    auto control = std::make_shared<TSaveControl>();
    FSaves.push_back({path, control});
    TRecorder* recorder = FRecorder.get();
    FRunner->Run([this, recorder, path, control, generation = FGeneration,
                  settings = std::move(settings), views = std::move(views)](TUniverse& universe) {
        control->Started = true;
        const TStorageResult result =
            control->Cancel
                ? TStorageResult::Failure("The save was cancelled.")
                : recorder->Save(ToPath(path), universe, settings, views, control.get());
        const bool cancelled = !result.Ok && control->Cancel;
        const QString error = result.Ok ? QString() : QString::fromStdString(result.Message);
        const std::int32_t iteration = universe.IterationCount;
        QMetaObject::invokeMethod(
            this,
            [this, path, error, cancelled, generation, iteration, settings] {
                FinishSave(path, error, cancelled, generation, iteration, settings);
            },
            Qt::QueuedConnection);
    });
}

bool TSimulationSession::Saving() const {
    return std::any_of(FSaves.begin(), FSaves.end(),
                       [](const TPendingSave& save) { return !save.Control->Cancel; });
}

QString TSimulationSession::SavingPath() const {
    return FSaves.empty() ? QString() : FSaves.front().Path;
}

int TSimulationSession::SaveProgress() const {
    if (FSaves.empty() || !FSaves.front().Control->Started)
        return -1;
    const TSaveControl& control = *FSaves.front().Control;
    const std::int64_t parts = control.Parts.load();
    return parts > 0 ? static_cast<int>(
                           std::min<std::int64_t>(100, 100 * control.PartsDone.load() / parts))
                     : 0;
}

void TSimulationSession::CancelSaves() {
    for (const TPendingSave& save : FSaves)
        save.Control->Cancel = true;
}

void TSimulationSession::FinishSave(const QString& path, const QString& error, bool cancelled,
                                    std::uint64_t generation, std::int32_t iteration,
                                    const TSettings& settings) {
    // Saves end in the order they were asked for: the engine runs them so.
    if (!FSaves.empty())
        FSaves.erase(FSaves.begin());
    if (cancelled) {
        emit SaveCancelled(path);
        return;
    }
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
    emit SaveEnded(path, error);
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
    // The window copies the state into the engine's universe, which has its own step memory.
    const TStorageResult result = SimulationFile::Load(ToPath(path), contents, false,
                                                       ToPath(TemporaryRecordingPath()), recording);
    if (!result.Ok) {
        error = QString::fromStdString(result.Message);
        return false;
    }
    if (recording)
        recording->SetTemporary(true);
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
        FRunner->Run([this, recorder, window = CollectWindowRecord()](TUniverse& universe) {
            if (const TStorageResult result = recorder->Begin(universe, window.get()); !result.Ok)
                PostRecordingFailed(result.Message);
        });
    } else if (FRecording) {
        TRecorder* recorder = FRecorder.get();
        FRunner->Run([this, recorder, window = CollectWindowRecord()](TUniverse& universe) {
            if (const TStorageResult result = recorder->Stop(&universe, window.get()); !result.Ok)
                PostFailure(result.Message);
        });
    }
    FRecording = value;
    emit RecordingChanged(value);
    emit PositionChanged();
}

std::shared_ptr<const TWindowRecord> TSimulationSession::CollectWindowRecord() const {
    return FWindowRecord ? std::make_shared<const TWindowRecord>(FWindowRecord()) : nullptr;
}

// On the engine thread.
void TSimulationSession::PostFailure(const std::string& message) {
    const QString error = QString::fromStdString(message);
    QMetaObject::invokeMethod(
        this, [this, error] { emit Failed(error); }, Qt::QueuedConnection);
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
    FRecorder->Erase();
    FRecordingSaved = false;
    UpdateModified();
}

void TSimulationSession::SetOptions(const TRecorderOptions& options) {
    if (const TStorageResult result = FRecorder->SetOptions(options); !result.Ok)
        emit Failed(QString::fromStdString(result.Message));
    if (FPlaying)
        PlayTimer->start(std::max(1, 1000 / options.PlaybackRate));
}
