#pragma once

#include <hdf5.h>

#include <utility>

/// Owns one HDF5 identifier and closes it with the matching close call. Move-only; an
/// invalid (negative) identifier is simply not closed.
class TH5Handle {
public:
    using TCloser = herr_t (*)(hid_t);

    TH5Handle() = default;
    TH5Handle(hid_t id, TCloser closer) : Id(id), Closer(closer) {}
    ~TH5Handle() { Reset(); }
    TH5Handle(TH5Handle&& other) noexcept
        : Id(std::exchange(other.Id, H5I_INVALID_HID)), Closer(other.Closer) {}
    TH5Handle& operator=(TH5Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            Id = std::exchange(other.Id, H5I_INVALID_HID);
            Closer = other.Closer;
        }
        return *this;
    }
    TH5Handle(const TH5Handle&) = delete;
    TH5Handle& operator=(const TH5Handle&) = delete;

    hid_t Get() const { return Id; }
    operator hid_t() const { return Id; }
    bool Valid() const { return Id >= 0; }

    /// Closes now and reports whether the close succeeded: closing a file is where HDF5
    /// writes its last metadata, so a save must check it.
    bool Close() {
        if (Id < 0)
            return true;
        const herr_t status = Closer(Id);
        Id = H5I_INVALID_HID;
        return status >= 0;
    }
    void Reset() { Close(); }

private:
    hid_t Id = H5I_INVALID_HID;
    TCloser Closer = nullptr;
};
