#include "StorageTestSupport.h"

#include "Storage/H5Access.h"
#include "Storage/SimulationFile.h"
#include "Storage/UniverseIO.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class SimulationFileTest : public ::testing::Test {
protected:
    void SaveSmall(const std::string& path) {
        ASSERT_TRUE(SimulationFile::Save(path, *Universe, Settings, Views).Ok);
    }

    TTempFolder Folder;
    std::unique_ptr<TUniverse> Universe = BuildSmall();
    TSettings Settings = SettingsFor(SmallSettings());
    TViewsRecord Views = TwoViews();
};

TEST_F(SimulationFileTest, ContinuingFromAFileGivesTheStepsOfTheSavedUniverse) {
    for (int s = 0; s < 5; ++s)
        Universe->Step(0, Universe->LastIndex);
    const std::string path = Folder.File("run.astrivo");
    SaveSmall(path);

    TSimulationContents loaded;
    const TStorageResult result = SimulationFile::Load(path, loaded);
    ASSERT_TRUE(result.Ok) << result.Message;
    ExpectSameState(*Universe, *loaded.Universe);
    // Through several full and partial steps, so the redo countdown and every parameter
    // must have come back exactly.
    for (int s = 0; s < 9; ++s) {
        Universe->Step(0, Universe->LastIndex);
        loaded.Universe->Step(0, loaded.Universe->LastIndex);
    }
    ExpectSameState(*Universe, *loaded.Universe);
    EXPECT_EQ(loaded.Settings, Settings);
    EXPECT_EQ(loaded.Views, Views);
    EXPECT_FALSE(loaded.HasRecording);
}

TEST_F(SimulationFileTest, AFileWithoutViewsOpensWithNone) {
    Views = TViewsRecord{};
    const std::string path = Folder.File("bare.astrivo");
    SaveSmall(path);
    TSimulationContents loaded;
    ASSERT_TRUE(SimulationFile::Load(path, loaded).Ok);
    EXPECT_TRUE(loaded.Views.Views.empty());
    EXPECT_EQ(loaded.Views.ActiveView, -1);
}

TEST_F(SimulationFileTest, SavingReplacesTheFileAndLeavesNoTemporaryBehind) {
    const std::string path = Folder.File("run.astrivo");
    SaveSmall(path);
    Universe->Step(0, Universe->LastIndex);
    SaveSmall(path);
    TSimulationContents loaded;
    ASSERT_TRUE(SimulationFile::Load(path, loaded).Ok);
    EXPECT_EQ(loaded.Universe->IterationCount, Universe->IterationCount);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path), {}), 1);
}

TEST_F(SimulationFileTest, ANewFileFollowsTheUmaskAndSavingOverAFileKeepsItsMode) {
    const auto modeOf = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0U;
    };
    const std::string path = Folder.File("run.astrivo");
    const mode_t before = ::umask(027);
    SaveSmall(path);
    EXPECT_EQ(modeOf(path), 0640U);
    ::umask(077);
    ::chmod(path.c_str(), 0604);
    SaveSmall(path);
    EXPECT_EQ(modeOf(path), 0604U);
    // A read-only file too: its mode is set only once its new contents are written.
    ::chmod(path.c_str(), 0444);
    SaveSmall(path);
    EXPECT_EQ(modeOf(path), 0444U);
    ::umask(before);
}

TEST_F(SimulationFileTest, AFailedSaveLeavesTheOldFileAsItWas) {
    const std::string path = Folder.File("run.astrivo");
    SaveSmall(path);
    const std::string before = ReadBytes(path);

    // A bigger universe, and a limit on file size that the write runs into halfway, as on a
    // full disk.
    std::unique_ptr<TUniverse> big = BuildSmall(60);
    TSettings settings = SettingsFor(SmallSettings(60));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 200 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const TStorageResult result = SimulationFile::Save(path, *big, settings, Views);
    setrlimit(RLIMIT_FSIZE, &old);

    ASSERT_FALSE(result.Ok);
    EXPECT_NE(result.Message.find("File too large"), std::string::npos) << result.Message;
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path), {}), 1);
}

TEST_F(SimulationFileTest, SavingIntoAFolderThatIsGoneOrLockedSaysSo) {
    TStorageResult result =
        SimulationFile::Save(Folder.File("gone/run.astrivo"), *Universe, Settings, Views);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Message.find("No such file or directory"), std::string::npos)
        << result.Message;

    if (::geteuid() != 0) {
        std::filesystem::permissions(Folder.Path, std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec);
        result = SimulationFile::Save(Folder.File("run.astrivo"), *Universe, Settings, Views);
        EXPECT_FALSE(result.Ok);
        EXPECT_NE(result.Message.find("Permission denied"), std::string::npos) << result.Message;
    }
}

TEST_F(SimulationFileTest, StateThatCouldNotBeOpenedAgainIsNotSaved) {
    const std::string path = Folder.File("run.astrivo");
    Universe->Particles[3].VX = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(SimulationFile::Save(path, *Universe, Settings, Views).Ok);
    Universe->Particles[3].VX = 0;
    Settings.Number = 9999;
    EXPECT_FALSE(SimulationFile::Save(path, *Universe, Settings, Views).Ok);
    EXPECT_FALSE(std::filesystem::exists(path));
}

#ifdef ASTRIVO_H5DUMP
TEST_F(SimulationFileTest, HdfFivesOwnDumperReadsTheFile) {
    const std::string path = Folder.File("run.astrivo");
    SaveSmall(path);
    const std::string out = Folder.File("dump.txt");
    const std::string command =
        std::string(ASTRIVO_H5DUMP) + " -A \"" + path + "\" > \"" + out + "\" 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadBytes(out);
    const std::string dump = ReadBytes(out);
    for (const char* expected :
         {"FormatVersion", "GROUP \"Universe\"", "Position", "MatrixResolution",
          "GROUP \"Settings\"", "FrictionEffect", "View2", "Caption"})
        EXPECT_NE(dump.find(expected), std::string::npos) << expected;
    // The data itself, not only the header.
    const std::string data = Folder.File("data.txt");
    const std::string dataCommand =
        std::string(ASTRIVO_H5DUMP) + " -d /Universe/Heat \"" + path + "\" > \"" + data + "\" 2>&1";
    ASSERT_EQ(std::system(dataCommand.c_str()), 0) << ReadBytes(data);
    EXPECT_NE(ReadBytes(data).find("DATA"), std::string::npos);
}
#endif

// A file spoiled in one way, and what the refusal must mention.
struct TDamage {
    const char* Name;
    std::function<void(const std::string& path)> Spoil;
    const char* Expected;
};

void EditFile(const std::string& path, const std::function<void(hid_t)>& edit) {
    TH5Handle file(H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT), H5Fclose);
    ASSERT_TRUE(file.Valid());
    edit(file);
}

void ReplaceInt(hid_t object, const char* name, std::int32_t value) {
    H5Adelete(object, name);
    H5Access::WriteInt(object, name, value);
}

void ReplaceDouble(hid_t object, const char* name, double value) {
    H5Adelete(object, name);
    H5Access::WriteDouble(object, name, value);
}

// A value written on purpose, as a program that knows the format would: the checksum
// follows the data, so the value itself must be what is refused.
void ResealChecksum(hid_t set, const void* data, std::size_t bytes) {
    const std::uint64_t sum = H5Access::Checksum(data, bytes);
    TH5Handle attribute(H5Aopen(set, "Checksum", H5P_DEFAULT), H5Aclose);
    H5Awrite(attribute, H5T_NATIVE_UINT64, &sum);
}

// Rewrites one value of a double dataset in place.
void PokeDouble(hid_t file, const char* dataset, std::size_t index, double value) {
    TH5Handle set(H5Dopen2(file, dataset, H5P_DEFAULT), H5Dclose);
    TH5Handle space(H5Dget_space(set), H5Sclose);
    std::vector<double> values(static_cast<std::size_t>(H5Sget_simple_extent_npoints(space)));
    H5Dread(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data());
    values.at(index) = value;
    H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data());
    ResealChecksum(set, values.data(), values.size() * sizeof(double));
}

void PokeInt(hid_t file, const char* dataset, std::size_t index, std::int32_t value) {
    TH5Handle set(H5Dopen2(file, dataset, H5P_DEFAULT), H5Dclose);
    TH5Handle space(H5Dget_space(set), H5Sclose);
    std::vector<std::int32_t> values(static_cast<std::size_t>(H5Sget_simple_extent_npoints(space)));
    H5Dread(set, H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data());
    values.at(index) = value;
    H5Dwrite(set, H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data());
    ResealChecksum(set, values.data(), values.size() * sizeof(std::int32_t));
}

void ReplaceDataset(hid_t file, const char* name, hid_t type, std::vector<hsize_t> dims) {
    H5Ldelete(file, name, H5P_DEFAULT);
    hsize_t count = 1;
    for (const hsize_t d : dims)
        count *= d;
    std::vector<double> zeros(count);
    H5Access::WriteArray(file, name, type, dims, zeros.data());
}

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Infinity = std::numeric_limits<double>::infinity();

std::vector<TDamage> Damages() {
    const auto edit = [](std::function<void(hid_t)> change) {
        return [change](const std::string& path) { EditFile(path, change); };
    };
    return {
        {"text", [](const std::string& p) { WriteBytes(p, "just some words\n"); },
         "not an HDF5 file"},
        {"empty", [](const std::string& p) { WriteBytes(p, ""); }, "not an HDF5 file"},
        {"truncated",
         [](const std::string& p) {
             const std::string bytes = ReadBytes(p);
             WriteBytes(p, bytes.substr(0, bytes.size() / 2));
         },
         "damaged or truncated"},
        {"missing file", [](const std::string& p) { std::remove(p.c_str()); }, "does not exist"},
        {"no version", edit([](hid_t f) { H5Adelete(f, "FormatVersion"); }),
         "not an Astrivo simulation"},
        {"newer version", edit([](hid_t f) { ReplaceInt(f, "FormatVersion", 2); }),
         "newer version"},
        {"version as text", edit([](hid_t f) {
             H5Adelete(f, "FormatVersion");
             H5Access::WriteString(f, "FormatVersion", "1");
         }),
         "not an integer"},
        {"missing universe", edit([](hid_t f) { H5Ldelete(f, "Universe", H5P_DEFAULT); }),
         "group Universe is missing"},
        {"missing dataset", edit([](hid_t f) { H5Ldelete(f, "Universe/Velocity", H5P_DEFAULT); }),
         "Velocity is missing"},
        {"missing setting",
         edit([](hid_t f) { H5Adelete(H5Access::OpenGroup(f, "Settings"), "Mass"); }),
         "Mass of /Settings is missing"},
        {"missing universe attribute",
         edit([](hid_t f) { H5Adelete(H5Access::OpenGroup(f, "Universe"), "RedoCountdown"); }),
         "RedoCountdown of /Universe is missing"},
        {"wrong shape", edit([](hid_t f) {
             ReplaceDataset(f, "Universe/Position", H5T_NATIVE_DOUBLE, {180, 2});
         }),
         "Position has the wrong shape"},
        {"wrong type",
         edit([](hid_t f) { ReplaceDataset(f, "Universe/Heat", H5T_NATIVE_INT32, {180}); }),
         "Heat has the wrong type"},
        {"count as real", edit([](hid_t f) {
             ReplaceDouble(H5Access::OpenGroup(f, "Universe"), "ParticleCount", 180);
         }),
         "ParticleCount of /Universe is not an integer"},
        {"negative count",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Universe"), "ParticleCount", -5); }),
         "ParticleCount is -5"},
        {"zero count",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Universe"), "ParticleCount", 0); }),
         "ParticleCount is 0"},
        {"too many", edit([](hid_t f) {
             ReplaceInt(H5Access::OpenGroup(f, "Universe"), "ParticleCount", 192081);
         }),
         "ParticleCount is 192081, outside its range 1 to 192080"},
        {"count disagrees with data",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Universe"), "ParticleCount", 90); }),
         "wrong shape"},
        {"setting above its slider",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Settings"), "Contrast", 513); }),
         "Contrast is 513, outside its range 1 to 512"},
        {"setting below its slider",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Settings"), "Space", 0); }),
         "Space is 0"},
        {"check box neither on nor off",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Settings"), "UseLines", 2); }),
         "UseLines is 2"},
        {"universe matrix beyond its slider", edit([](hid_t f) {
             ReplaceInt(H5Access::OpenGroup(f, "Universe"), "MatrixResolution", 0);
             ReplaceInt(H5Access::OpenGroup(f, "Settings"), "MatrixResolution", 0);
         }),
         "MatrixResolution is 0"},
        {"opening angle between two steps", edit([](hid_t f) {
             ReplaceDouble(H5Access::OpenGroup(f, "Universe"), "OpeningAngle", 0.61);
         }),
         "OpeningAngle is not one of its setting's steps"},
        {"unknown gravity method",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Universe"), "GravityMethod", 2); }),
         "GravityMethod is 2"},
        {"settings disagree with the universe",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Settings"), "RedoFrequency", 9); }),
         "RedoFrequency disagrees"},
        {"data changed behind its checksum", edit([](hid_t f) {
             TH5Handle set(H5Dopen2(f, "Universe/Velocity", H5P_DEFAULT), H5Dclose);
             std::vector<double> values(540);
             H5Dread(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data());
             values[4] += 1e-9;
             H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data());
         }),
         "Velocity is damaged"},
        {"NaN position", edit([](hid_t f) { PokeDouble(f, "Universe/Position", 7, NaN); }),
         "not finite"},
        {"infinite velocity",
         edit([](hid_t f) { PokeDouble(f, "Universe/Velocity", 3, -Infinity); }), "not finite"},
        {"NaN heat", edit([](hid_t f) { PokeDouble(f, "Universe/Heat", 0, NaN); }), "not finite"},
        {"NaN parameter",
         edit([](hid_t f) { ReplaceDouble(H5Access::OpenGroup(f, "Universe"), "Mass", NaN); }),
         "Mass is not a finite number"},
        {"space zero",
         edit([](hid_t f) { ReplaceDouble(H5Access::OpenGroup(f, "Universe"), "Space", 0); }),
         "Space is not above 0"},
        {"pair beyond the particles",
         edit([](hid_t f) { PokeInt(f, "Universe/PairIndex", 0, 180); }),
         "names particles that do not exist"},
        {"pair list longer than the table",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Universe"), "PairLast", 5000); }),
         "PairLast is 5000"},
        {"cell beyond the matrix", edit([](hid_t f) { PokeInt(f, "Universe/Cell", 4, -1); }),
         "matrix cell"},
        {"view with a bad display method",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Views/View1"), "ShowAs", 3); }),
         "View1: ShowAs"},
        {"view with a NaN camera",
         edit([](hid_t f) { ReplaceDouble(H5Access::OpenGroup(f, "Views/View2"), "Dolly", NaN); }),
         "View2: the camera's Dolly"},
        {"view missing", edit([](hid_t f) { H5Ldelete(f, "Views/View2", H5P_DEFAULT); }),
         "group View2 is missing"},
        {"active view beyond the list",
         edit([](hid_t f) { ReplaceInt(H5Access::OpenGroup(f, "Views"), "ActiveView", 2); }),
         "active view 2"},
        {"group where a dataset belongs", edit([](hid_t f) {
             H5Ldelete(f, "Universe/Heat", H5P_DEFAULT);
             H5Access::CreateGroup(f, "Universe/Heat");
         }),
         "Heat"},
    };
}

TEST_F(SimulationFileTest, TheTreeAndItsAngleComeBackAndAnOlderFileOpensAsPairs) {
    Universe->SetGravityMethod(gmTree);
    Universe->SetOpeningAngle(SettingsTable::OpeningAngle(7));
    Settings.GravityMethod = gmTree;
    Settings.OpeningAngle = 7;
    const std::string path = Folder.File("tree.astrivo");
    SaveSmall(path);
    TSimulationContents loaded;
    TStorageResult result = SimulationFile::Load(path, loaded);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(loaded.Settings, Settings);
    EXPECT_EQ(loaded.Universe->GravityMethod, gmTree);
    EXPECT_EQ(loaded.Universe->OpeningAngle, 0.35);
    Universe->Step(0, Universe->LastIndex);
    loaded.Universe->Step(0, loaded.Universe->LastIndex);
    ExpectSameState(*Universe, *loaded.Universe);

    // Written before the tree was offered: neither group holds either.
    EditFile(path, [](hid_t f) {
        for (const char* group : {"Universe", "Settings"})
            for (const char* name : {"GravityMethod", "OpeningAngle"})
                ASSERT_GE(H5Adelete(H5Access::OpenGroup(f, group), name), 0) << group << name;
    });
    TSimulationContents older;
    result = SimulationFile::Load(path, older);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(older.Universe->GravityMethod, gmPairs);
    EXPECT_EQ(older.Universe->OpeningAngle, TUniverse::DefaultOpeningAngle);
    EXPECT_EQ(older.Settings.GravityMethod, gmPairs);
    EXPECT_EQ(older.Settings.OpeningAngle, SettingsTable::Defaults().OpeningAngle);
}

TEST_F(SimulationFileTest, EveryKindOfBadFileIsRefusedWithTheUniverseUntouched) {
    for (const TDamage& damage : Damages()) {
        SCOPED_TRACE(damage.Name);
        const std::string path = Folder.File("bad.astrivo");
        SaveSmall(path);
        damage.Spoil(path);

        TSimulationContents current;
        current.Universe = BuildSmall(25);
        current.Settings.Number = 25;
        current.Views.ActiveView = 4;
        TUniverse* before = current.Universe.get();
        const std::int32_t iteration = before->IterationCount;
        const double x = before->Particles[0].X;

        const TStorageResult result = SimulationFile::Load(path, current);
        EXPECT_FALSE(result.Ok);
        EXPECT_NE(result.Message.find(damage.Expected), std::string::npos) << result.Message;
        EXPECT_EQ(result.Message.find("Cannot open " + path), 0u) << result.Message;
        EXPECT_EQ(current.Universe.get(), before);
        EXPECT_EQ(before->IterationCount, iteration);
        EXPECT_EQ(before->Particles[0].X, x);
        EXPECT_EQ(current.Settings, (TSettings{.Number = 25}));
        EXPECT_EQ(current.Views.ActiveView, 4);
    }
}

} // namespace

namespace {

TEST(UniverseCopy, ACopiedStateStepsOnAsTheOriginal) {
    std::unique_ptr<TUniverse> original = BuildSmall();
    for (int s = 0; s < 3; ++s)
        original->Step(0, original->LastIndex);
    // A target of another size and other settings: everything must be replaced.
    std::unique_ptr<TUniverse> copy = BuildSmall(26);
    copy->SetMatrixResolution(11);
    ASSERT_TRUE(UniverseIO::CopyState(*original, *copy));
    ExpectSameState(*original, *copy);
    for (int s = 0; s < 6; ++s) {
        original->Step(0, original->LastIndex);
        copy->Step(0, copy->LastIndex);
    }
    ExpectSameState(*original, *copy);
}

} // namespace
