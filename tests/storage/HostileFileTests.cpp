// Files edited on purpose, as someone who knows HDF5 could: to make the program reach into
// another file, or to hand it structure it never writes. Each is refused by what it holds,
// and the other file is neither opened, read nor written.
#include "StorageTestSupport.h"

#include "Storage/H5Handle.h"
#include "Storage/Handover.h"
#include "Storage/Isolated.h"

#include <cmath>
#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Notices any opening, reading, writing or change of a file from the moment it is made.
class TFileWatch {
public:
    explicit TFileWatch(const std::string& path)
        : Fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
          Watch(
              ::inotify_add_watch(Fd, path.c_str(), IN_OPEN | IN_ACCESS | IN_MODIFY | IN_ATTRIB)) {}
    ~TFileWatch() { ::close(Fd); }
    TFileWatch(const TFileWatch&) = delete;
    TFileWatch& operator=(const TFileWatch&) = delete;
    bool Valid() const { return Fd >= 0 && Watch >= 0; }
    bool Touched() const {
        alignas(inotify_event) char events[4096];
        return ::read(Fd, events, sizeof events) > 0;
    }

private:
    int Fd;
    int Watch;
};

std::vector<hsize_t> DimsOf(hid_t file, const char* name) {
    TH5Handle set(H5Dopen2(file, name, H5P_DEFAULT), H5Dclose);
    TH5Handle space(H5Dget_space(set), H5Sclose);
    std::vector<hsize_t> dims(static_cast<std::size_t>(H5Sget_simple_extent_ndims(space)));
    H5Sget_simple_extent_dims(space, dims.data(), nullptr);
    return dims;
}

// Replaces a dataset by an empty one of type and dims made with the creation list that
// setUp fills; growing along the first axis when chunked, as a recording's datasets do.
void Replace(hid_t file, const char* name, hid_t type, std::vector<hsize_t> dims,
             const std::function<void(hid_t create)>& setUp) {
    H5Ldelete(file, name, H5P_DEFAULT);
    TH5Handle create(H5Pcreate(H5P_DATASET_CREATE), H5Pclose);
    setUp(create);
    std::vector<hsize_t> maxDims = dims;
    if (H5Pget_layout(create) == H5D_CHUNKED)
        maxDims[0] = H5S_UNLIMITED;
    TH5Handle space(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), maxDims.data()),
                    H5Sclose);
    TH5Handle set(H5Dcreate2(file, name, type, space, H5P_DEFAULT, create, H5P_DEFAULT), H5Dclose);
    ASSERT_TRUE(set.Valid()) << name;
}

void Chunked(hid_t create, const std::vector<hsize_t>& dims, bool deflate) {
    std::vector<hsize_t> chunk = dims;
    chunk[0] = 1;
    H5Pset_chunk(create, static_cast<int>(chunk.size()), chunk.data());
    if (deflate)
        H5Pset_deflate(create, 6);
    H5Pset_fletcher32(create);
}

struct TEdit {
    const char* Name;
    std::function<void(hid_t file, const std::string& other)> Apply;
    const char* Expected;
    const char* Through = nullptr; // a path that leads into the other file
};

std::vector<TEdit> Edits() {
    return {
        {"keyframes linked from another file",
         [](hid_t f, const std::string& other) {
             H5Ldelete(f, "Recording/Keyframes", H5P_DEFAULT);
             ASSERT_GE(H5Lcreate_external(other.c_str(), "/Recording/Keyframes", f,
                                          "Recording/Keyframes", H5P_DEFAULT, H5P_DEFAULT),
                       0);
         },
         "/Recording/Keyframes is a link into another file", "Recording/Keyframes/Keyframe0"},
        {"a soft link",
         [](hid_t f, const std::string&) {
             H5Ldelete(f, "Universe/Heat", H5P_DEFAULT);
             H5Lcreate_soft("/Recording/Keyframes/Keyframe0/Heat", f, "Universe/Heat", H5P_DEFAULT,
                            H5P_DEFAULT);
         },
         "/Universe/Heat is a soft link"},
        {"a virtual dataset over another file",
         [](hid_t f, const std::string& other) {
             const std::vector<hsize_t> dims = DimsOf(f, "Recording/Heat");
             TH5Handle source(H5Screate_simple(2, dims.data(), nullptr), H5Sclose);
             Replace(f, "Recording/Heat", H5T_IEEE_F32LE, dims, [&](hid_t create) {
                 H5Pset_virtual(create, source, other.c_str(), "/Recording/Heat", source);
             });
         },
         "/Recording/Heat is a virtual dataset"},
        {"raw data kept in another file",
         [](hid_t f, const std::string& other) {
             const std::vector<hsize_t> dims = DimsOf(f, "Universe/Heat");
             Replace(f, "Universe/Heat", H5T_IEEE_F64LE, dims, [&](hid_t create) {
                 H5Pset_external(create, other.c_str(), 0, dims[0] * sizeof(double));
             });
         },
         "/Universe/Heat keeps its data in other files"},
        {"doubles for floats",
         [](hid_t f, const std::string&) {
             const std::vector<hsize_t> dims = DimsOf(f, "Recording/Heat");
             Replace(f, "Recording/Heat", H5T_IEEE_F64LE, dims,
                     [&](hid_t create) { Chunked(create, dims, false); });
         },
         "/Recording/Heat has the wrong type"},
        {"positions of rank 2",
         [](hid_t f, const std::string&) {
             std::vector<hsize_t> dims = DimsOf(f, "Recording/Position");
             dims = {dims[0], dims[1] * dims[2]};
             Replace(f, "Recording/Position", H5T_IEEE_F32LE, dims,
                     [&](hid_t create) { Chunked(create, dims, false); });
         },
         "/Recording/Position has the wrong shape"},
        {"a filter we do not write",
         [](hid_t f, const std::string&) {
             const std::vector<hsize_t> dims = DimsOf(f, "Recording/Heat");
             Replace(f, "Recording/Heat", H5T_IEEE_F32LE, dims,
                     [&](hid_t create) { Chunked(create, dims, true); });
         },
         "/Recording/Heat has filters other than Fletcher-32"},
        {"an object of a foreign name",
         [](hid_t f, const std::string&) {
             TH5Handle group(
                 H5Gcreate2(f, "Recording/Keyframes/Notes", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
                 H5Gclose);
         },
         "/Recording/Keyframes/Notes, an object of a name this program does not use"},
    };
}

TEST(HostileFileTest, LinksVirtualOrExternalDataAndForeignStructureAreRefusedUntouchingOthers) {
    TTempFolder folder;
    const std::string original = folder.File("original.astrivo");
    const std::string other = folder.File("other.astrivo");
    SaveWithRecording(original, folder.File("recorded.astrivo"), 12, 8);
    SaveWithRecording(other, folder.File("recorded-other.astrivo"), 12, 8);
    const std::string originalBytes = FileBytes(original);
    const std::string otherBytes = FileBytes(other);
    const std::string path = folder.File("edited.astrivo");
    const std::string scratch = folder.File("extracted.astrivo");
    for (const TEdit& edit : Edits()) {
        SCOPED_TRACE(edit.Name);
        {
            std::ofstream(path, std::ios::binary | std::ios::trunc) << originalBytes;
            TH5Handle file(H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT), H5Fclose);
            ASSERT_TRUE(file.Valid());
            edit.Apply(file, other);
        }
        TFileWatch watch(other);
        ASSERT_TRUE(watch.Valid());
        TSimulationContents contents;
        const TStorageResult loaded = SimulationFile::Load(path, contents);
        EXPECT_FALSE(loaded.Ok);
        EXPECT_NE(loaded.Message.find(edit.Expected), std::string::npos) << loaded.Message;
        // The recording is opened from the file on its own; it checks the file itself.
        std::unique_ptr<TRecording> recording;
        const TStorageResult extracted = TRecording::Extract(path, scratch, recording);
        EXPECT_FALSE(extracted.Ok);
        EXPECT_NE(extracted.Message.find(edit.Expected), std::string::npos) << extracted.Message;
        EXPECT_FALSE(std::filesystem::exists(scratch));

        // Nothing in the program follows a link out of a file, even without the check.
        if (edit.Through != nullptr) {
            TH5Handle file(H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT), H5Fclose);
            ASSERT_TRUE(file.Valid());
            TH5Handle followed(H5Oopen(file, edit.Through, H5P_DEFAULT), H5Oclose);
            EXPECT_FALSE(followed.Valid());
        }
        EXPECT_FALSE(watch.Touched());
        EXPECT_TRUE(FileBytes(other) == otherBytes) << "the other file changed";
    }
}

// Metadata made to pass HDF5's checksums can make the library itself fault while the file
// is read; the reading happens in a child, so the fault refuses the file and nothing more.
TEST(HostileFileTest, AFaultWhileReadingRefusesTheFileAndTheProgramGoesOn) {
    int calls = 0;
    const TStorageResult faulted = Isolated::Run(
        [&] {
            ++calls;
            std::raise(SIGSEGV);
            return TStorageResult::Success();
        },
        0);
    EXPECT_FALSE(faulted.Ok);
    EXPECT_NE(faulted.Message.find("made the HDF5 library fail"), std::string::npos)
        << faulted.Message;
    EXPECT_EQ(calls, 0); // what the child changed stays in the child
    const TStorageResult refused =
        Isolated::Run([] { return TStorageResult::Failure("It holds a soft link."); }, 0);
    EXPECT_EQ(refused.Message, "It holds a soft link.");
    EXPECT_TRUE(Isolated::Run([] { return TStorageResult::Success(); }, 0).Ok);
}

// The child that read a file hands its state over; HDF5 may have led it astray, so what
// arrives is checked as a file is, and a child that dies halfway refuses the file.
TEST(HostileFileTest, AStateHandedOverDamagedOrCutShortIsRefused) {
    TSimulationContents sent;
    sent.Universe = BuildSmall();
    sent.Settings = SettingsFor(SmallSettings());
    sent.Views = TwoViews();
    TSimulationContents received;
    const auto handOver = [&](const std::function<void()>& damage,
                              const std::function<void(Isolated::TSender&)>& send) {
        received = TSimulationContents{};
        return Isolated::Run(
            [&] {
                damage();
                return TStorageResult::Success();
            },
            send, [&](Isolated::TReceiver& r) { Handover::Receive(r, received, true); }, 0);
    };
    const auto whole = [&](Isolated::TSender& s) { Handover::Send(s, sent); };

    ASSERT_TRUE(handOver([] {}, whole).Ok);
    ASSERT_NE(received.Universe, nullptr);
    ExpectSameState(*sent.Universe, *received.Universe);
    EXPECT_EQ(received.Settings, sent.Settings);
    EXPECT_EQ(received.Views, sent.Views);

    const TStorageResult garbage = handOver([] {},
                                            [](Isolated::TSender& s) {
                                                const std::string noise(4096, 'Z');
                                                s.Write(noise.data(), noise.size());
                                            });
    EXPECT_FALSE(garbage.Ok);
    EXPECT_NE(garbage.Message.find("damaged state"), std::string::npos) << garbage.Message;
    EXPECT_EQ(received.Universe, nullptr);

    const TStorageResult notFinite =
        handOver([&] { sent.Universe->Particles[3].X = std::nan(""); }, whole);
    EXPECT_FALSE(notFinite.Ok);
    EXPECT_NE(notFinite.Message.find("not finite"), std::string::npos) << notFinite.Message;

    // The first part of a sound hand-over, then the child faults.
    const TStorageResult cut = handOver([] {},
                                        [&](Isolated::TSender& s) {
                                            int fds[2];
                                            if (::pipe(fds) != 0)
                                                return;
                                            Isolated::TSender into(fds[1]);
                                            Handover::Send(into, sent);
                                            char start[200];
                                            if (::read(fds[0], start, sizeof start) == sizeof start)
                                                s.Write(start, sizeof start);
                                            std::raise(SIGSEGV);
                                        });
    EXPECT_FALSE(cut.Ok);
    EXPECT_NE(cut.Message.find("made the HDF5 library fail"), std::string::npos) << cut.Message;
    EXPECT_EQ(received.Universe, nullptr);
}

} // namespace
