#pragma once
// Segment markers: a position in a recording with the SAMPA code of the sound
// that starts there and a label. A marker is placed either relative to the
// word's first frame (Pos) or absolutely from the recording's start (AbsPos),
// never both. vRecMarkerList_c owns its markers. Used by the user-interface
// thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/registration.h"
#include "settings/setting.h"

class vRecording_c;
class vWarpData_c;

// The position value of a marker that is not placed in that form.
inline constexpr int32_t kMarkerUndefined = -2147483647;

// Abstract base of every marker kind.
class vRecordMarker_c : public vPropCntnr_c {
    V_RTTI_CLASS(vRecordMarker_c, vPropCntnr_c)

public:

    // Absolute or word-relative position; raises vTextException_c
    // "Marker already relative!" / "Marker already absolute!" when the asked
    // form is undefined.
    virtual int32_t GetPos(bool absolute) const = 0;
    // Sets one form and makes the other undefined.
    virtual void SetPos(int32_t value, bool absolute) = 0;
    // AbsPos = base + Pos; raises "Marker already absolute!" or "Marker is undefined!".
    virtual void MakeAbsolute(int32_t base) = 0;
    virtual bool IsAbsolute() const = 0;
    // A new marker with the same label, code and relative position only.
    virtual std::unique_ptr<vRecordMarker_c> Clone() const = 0;
    // An exact copy (every property), used when a recording is copied.
    virtual std::unique_ptr<vRecordMarker_c> Copy() const = 0;
};

class vSegmentMarker_c : public vRecordMarker_c {
    V_RTTI_CLASS(vSegmentMarker_c, vRecordMarker_c)

public:
    // Whether a new marker draws its line (with no language file: yes).
    static constexpr vBoolSetting_c kDrawSegmentLine{"ResDisplay/DrawSegmentLine", true};

    // Reads "ResDisplay/DrawSegmentLine".
    vSegmentMarker_c();

    int32_t GetPos(bool absolute) const override;
    void SetPos(int32_t value, bool absolute) override;
    void MakeAbsolute(int32_t base) override;
    bool IsAbsolute() const override { return absPos != kMarkerUndefined; }
    std::unique_ptr<vRecordMarker_c> Clone() const override;
    std::unique_ptr<vRecordMarker_c> Copy() const override;

    // The label face: own FontName, else the owner's marker font, else "Arial".
    std::string EffectiveFontName(const std::string& ownerFont) const;
    bool DrawsLine() const { return drawLine; }

    std::string fontName;
    int32_t fontSize = 10;
    std::string label;
    std::string segmentCode;  // may start with an escaped stress mark
    int32_t pos = kMarkerUndefined;
    int32_t absPos = kMarkerUndefined;

private:
    bool drawLine = true;  // "ResDisplay/DrawSegmentLine", read at creation
};

// The markers of one recording in insertion order; owns them. Definition
// files list them as objects of any marker class.
class vRecMarkerList_c : public std::vector<std::unique_ptr<vRecordMarker_c>> {
public:
    vRecMarkerList_c() = default;
    vRecMarkerList_c(const vRecMarkerList_c& other) : vector() { *this = other; }
    vRecMarkerList_c& operator=(const vRecMarkerList_c& other);
    vRecMarkerList_c(vRecMarkerList_c&&) = default;
    vRecMarkerList_c& operator=(vRecMarkerList_c&&) = default;

    void Add(std::unique_ptr<vRecordMarker_c> marker) { push_back(std::move(marker)); }
    size_t Count() const { return size(); }
    vRecordMarker_c& operator[](size_t i) { return *at(i); }
    const vRecordMarker_c& operator[](size_t i) const { return *at(i); }

    // Makes every marker that is still word-relative absolute with base;
    // returns how many were converted.
    int MakeRelativeAbsolute(int32_t base);
};

// The list is the plain list of marker objects to the definition files.
template <>
struct vTypeOf_s<vRecMarkerList_c> {
    static constexpr const vRTTI_TypeInfo_c* Get() { return &gTD_STLPtr<vRecordMarker_c>; }
};

// The markers of from placed on to along warp, made by Warp(from, to, ...)
// (from as the etalon): a marker on from's word frame i goes to to's first
// word frame on the path in column i; one outside the word keeps its
// distance to the word's nearer end. The result is absolute,
// ordered by position, one frame apart where to has room, and inside to's
// recorded frames. Markers without a position are left out; without warp
// data the result is empty. Both recordings must have their word sections.
vRecMarkerList_c CarriedMarkers(const vRecording_c& from, const vRecording_c& to, const vWarpData_c& warp);
