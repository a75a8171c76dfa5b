#include "Storage/SimulationFile.h"

#include "Storage/AtomicFile.h"
#include "Storage/FileLayout.h"
#include "Storage/H5Access.h"
#include "Storage/Handover.h"
#include "Storage/Isolated.h"
#include "Storage/Recording.h"
#include "Storage/SettingsSchema.h"
#include "Storage/UniverseIO.h"
#include "Storage/ViewsIO.h"
#include "settings/SettingsUniverse.h"
#include "universe/Universe.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace SimulationFile {

namespace {

constexpr const char* ProgramName = "Astrivo 2";
// Up to this many recorded frames a save is built in memory (at most a few hundred MB at
// the largest universes); longer recordings are written straight to the disk.
constexpr std::int32_t InMemoryFrames = 100;

// The processing settings pass straight from the properties window to the universe, so
// the two always agree; a file where they do not could not continue as it was saved.
void RequireAgreement(const TSettings& settings, const TUniverse& universe) {
    const std::string_view differing = SettingsUniverse::ProcessingDisagreement(settings, universe);
    if (!differing.empty())
        throw TStorageError("The setting " + std::string(differing) +
                            " disagrees with the universe's.");
}

void CheckVersion(hid_t file) {
    if (H5Aexists(file, "FormatVersion") <= 0)
        throw TStorageError("It is an HDF5 file, but not an Astrivo simulation (it has no "
                            "FormatVersion attribute).");
    const std::int32_t version = H5Access::ReadInt(file, "FormatVersion");
    if (version > FormatVersion)
        throw TStorageError("It was written by a newer version of Astrivo (file format " +
                            std::to_string(version) + "; this program reads format " +
                            std::to_string(FormatVersion) + " and older).");
    if (version < 1)
        throw TStorageError("Its FormatVersion " + std::to_string(version) + " is not valid.");
}

// Throws when a file could not hold the state or would not open as it is.
void Validate(const TUniverse& universe, const TSettings& settings, const TViewsRecord& views) {
    SettingsSchema::Validate(settings);
    UniverseIO::Validate(universe);
    ViewsIO::Validate(views);
    RequireAgreement(settings, universe);
}

// More than a file with this universe and recording can take: the recording's file (the
// copy has the same datasets, without the space earlier cuts left unused) and the
// universe's arrays with their attributes, each with room to spare.
std::uintmax_t SizeBound(const TUniverse& universe, const TRecording& recording) {
    const auto particles = static_cast<std::uintmax_t>(std::max(universe.LastIndex + 1, 0));
    const std::uintmax_t state =
        2 * (particles * sizeof(TParticle) + TUniverse::MaxPairs * sizeof(TPairEntry));
    const std::uintmax_t copied = recording.FileSize();
    return copied + copied / 4 + state + (std::uintmax_t{8} << 20);
}

// Reads the file at path into contents, with a universe that is only checked and handed on,
// never stepped; on failure contents is left as it was.
TStorageResult ReadFile(const std::string& path, TSimulationContents& contents) {
    try {
        const htri_t isHdf5 = H5Fis_hdf5(path.c_str());
        if (isHdf5 < 0)
            throw TStorageError("It cannot be opened.");
        if (isHdf5 == 0)
            throw TStorageError("It is not an Astrivo simulation (not an HDF5 file).");
        TH5Handle file = FileLayout::Open(path, H5F_ACC_RDONLY);
        CheckVersion(file);
        FileLayout::Require(file);
        TSimulationContents loaded;
        loaded.Settings = SettingsSchema::Read(H5Access::OpenGroup(file, "Settings"));
        loaded.Universe = UniverseIO::Read(H5Access::OpenGroup(file, "Universe"), false);
        RequireAgreement(loaded.Settings, *loaded.Universe);
        if (H5Access::Exists(file, "Views"))
            loaded.Views = ViewsIO::Read(H5Access::OpenGroup(file, "Views"));
        loaded.HasRecording = H5Access::Exists(file, "Recording");
        contents = std::move(loaded);
    } catch (const TStorageError& error) {
        return TStorageResult::Failure(error.what());
    }
    return TStorageResult::Success();
}

} // namespace

TStorageResult Save(const std::string& path, const TUniverse& universe, const TSettings& settings,
                    const TViewsRecord& views, const TRecording* recording, TSaveControl* control) {
    try {
        Validate(universe, settings, views);
    } catch (const TStorageError& error) {
        return TStorageResult::Failure("Saving " + path + " failed. " + error.what());
    }
    return AtomicFile::Write(
        path,
        [&](hid_t file) {
            H5Access::WriteInt(file, "FormatVersion", FormatVersion);
            H5Access::WriteString(file, "Program", ProgramName);
            WriteState(file, universe, settings, views);
            if (recording != nullptr)
                recording->CopyInto(file, control);
        },
        recording == nullptr || recording->FrameCount() <= InMemoryFrames
            ? 0
            : SizeBound(universe, *recording));
}

void WriteState(hid_t file, const TUniverse& universe, const TSettings& settings,
                const TViewsRecord& views) {
    Validate(universe, settings, views);
    for (const char* group : {"Universe", "Settings", "Views"})
        if (H5Access::Exists(file, group))
            H5Access::Check(H5Ldelete(file, group, H5P_DEFAULT),
                            std::string("The group ") + group + " cannot be replaced.");
    UniverseIO::Write(H5Access::CreateGroup(file, "Universe"), universe);
    SettingsSchema::Write(H5Access::CreateGroup(file, "Settings"), settings);
    ViewsIO::Write(H5Access::CreateGroup(file, "Views"), views);
}

namespace {

// Both loads: the child reads and checks the file, hands the state over and, when
// recordingPath is given and the file holds a recording, copies that out too.
TStorageResult LoadIsolated(const std::string& path, TSimulationContents& contents, bool steppable,
                            const std::string& recordingPath) {
    H5Access::SilenceErrors();
    const auto refusal = [&](const std::string& why) {
        return TStorageResult::Failure("Cannot open " + path + ". " + why);
    };
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return refusal("The file does not exist.");
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);
    // A child reads and checks it and hands the state over: should HDF5 fault on the file,
    // only the child goes, and this process never reads the file at all.
    TSimulationContents read;
    TSimulationContents received;
    const auto work = [&] {
        TStorageResult result = ReadFile(path, read);
        if (result.Ok && read.HasRecording && !recordingPath.empty())
            result = TRecording::CopyOut(path, recordingPath);
        return result;
    };
    // Copying a recording out reads the file a second time: the child gets time for both.
    const std::uintmax_t readBytes = error ? 0 : (recordingPath.empty() ? bytes : 2 * bytes);
    const TStorageResult result = Isolated::Run(
        work, [&](Isolated::TSender& sender) { Handover::Send(sender, read); },
        [&](Isolated::TReceiver& receiver) {
            Handover::Receive(receiver, received, steppable);
            RequireAgreement(received.Settings, *received.Universe);
        },
        readBytes);
    if (!result.Ok) {
        // A child that died while copying leaves its part-written copy behind.
        if (!recordingPath.empty())
            std::filesystem::remove(recordingPath, error);
        return refusal(result.Message);
    }
    contents = std::move(received);
    return result;
}

} // namespace

TStorageResult Load(const std::string& path, TSimulationContents& contents, bool steppable) {
    return LoadIsolated(path, contents, steppable, {});
}

TStorageResult Load(const std::string& path, TSimulationContents& contents, bool steppable,
                    const std::string& recordingPath, std::unique_ptr<TRecording>& recording) {
    TSimulationContents loaded;
    if (TStorageResult result = LoadIsolated(path, loaded, steppable, recordingPath); !result.Ok)
        return result;
    std::unique_ptr<TRecording> opened;
    if (loaded.HasRecording && !recordingPath.empty()) {
        if (TStorageResult result = TRecording::Open(recordingPath, opened); !result.Ok) {
            std::error_code ignored;
            std::filesystem::remove(recordingPath, ignored);
            return TStorageResult::Failure("Cannot open " + path + ". " + result.Message);
        }
    }
    contents = std::move(loaded);
    recording = std::move(opened);
    return TStorageResult::Success();
}

} // namespace SimulationFile
