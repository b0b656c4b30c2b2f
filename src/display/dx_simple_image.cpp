#include "display/dx_simple_image.h"

#include "display/dx_dc.h"
#include "display/dx_surface_registry.h"
#include "platform/exception.h"
#include "platform/path_case.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <span>
#include <string>

namespace {

// Busy pointer for the length of a load, also when it fails.
class BusyPointer {
public:
    BusyPointer() {
        if (DxBusyPointer().push) DxBusyPointer().push();
    }
    ~BusyPointer() {
        if (DxBusyPointer().pop) DxBusyPointer().pop();
    }
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A picture file must fit in memory with room to spare; the readers check the
// rest of their input against the data present.
constexpr uint64_t kMaxPictureFile = uint64_t{256} * 1024 * 1024;

}  // namespace

platform::Picture ReadPictureFile(const std::string& rawName) {
    // Names are at most 1000 characters; data may write "\" between folders.
    std::string name = rawName.substr(0, 1000);
    std::replace(name.begin(), name.end(), '\\', '/');
    size_t dot = name.find_last_of('.');
    size_t slash = name.find_last_of('/');
    std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                          ? std::string()
                          : Lower(name.substr(dot + 1));
    bool bmp = ext == "bmp", jpeg = ext == "jpg" || ext == "jpeg";
    if (!bmp && !jpeg) throw vTextException_c("Unknown file type");

    // Data written for a case-blind file system may spell a name in another case.
    // Only a regular file: a FIFO given as a picture must not block.
    std::string file;
    if (!platform::ReadRegularFile(platform::MatchExistingCase(name), file, kMaxPictureFile)) {
        if (errno == EFBIG) throw vPrintException_c(0, "Bad picture file %s: file too large", name.c_str());
        throw vPrintException_c(0, "Cannot open file: %s", name.c_str());
    }
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    return bmp ? platform::DecodeBmp(bytes, name) : platform::DecodeJpeg(bytes, name);
}

vDxPoint ScaledPictureSize(int width, int height) {
    const vDxScreenInfo& s = DxScreenInfo();
    if (!s.exists || s.defaultResX == 0 || s.defaultResY == 0) return {width, height};
    return {static_cast<int>(int64_t{width} * s.actualResX / s.defaultResX),
            static_cast<int>(int64_t{height} * s.actualResY / s.defaultResY)};
}

platform::Picture ScalePictureToScreen(const platform::Picture& picture) {
    vDxPoint size = ScaledPictureSize(picture.width, picture.height);
    if (size.x == picture.width && size.y == picture.height) return picture;
    return platform::Resample(platform::ToRgb(picture), std::max(size.x, 1), std::max(size.y, 1));
}

V_REGISTER_CLASS(vDxSimpleImage_c,
    V_PROP("Width", mWidth),
    V_PROP("Height", mHeight),
    V_PROP("BPP", mBpp),
    V_PROP("NeedVidMem", mNeedVidMem));

vDxSimpleImage_c::vDxSimpleImage_c() { RegisterSurfaceImage(this); }

vDxSimpleImage_c::~vDxSimpleImage_c() {
    UnregisterSurfaceImage(this);
    // Unlock before the surface goes (listeners that redraw and fail are
    // not reported from a destructor).
    try {
        if (AttachedDC()) AttachedDC()->AttachImage(nullptr);
    } catch (const vException_c&) {
    }
}

void vDxSimpleImage_c::Create(int width, int height, int bits) {
    Release();
    const vDxScreenInfo& screen = DxScreenInfo();
    if (bits == -1) {
        if (!screen.exists) throw vPrintException_c(0, "Unable to retrive DDraw object");
        bits = screen.bpp;
    }
    mSurface = platform::Surface::Create(width, height, bits);
    if (bits <= 8) {
        platform::Surface* s = mSurface.get();
        DxCall([&] { return s->SetPalette(platform::MakeStandardPalette(!screen.exists || screen.fullScreen)); });
    }
    mWidth = width;
    mHeight = height;
    mContentsLost = false;
    ApplyColorKey();
}

void vDxSimpleImage_c::Release() {
    if (AttachedDC()) AttachedDC()->AttachImage(nullptr);
    while (IsLocked()) Unlock();
    mSurface.reset();
}

void vDxSimpleImage_c::RestoreSurface() {
    if (!mSurface || !mSurface->IsLost()) return;
    mSurface->Restore();
    if (mSurface->BitsPerPixel() <= 8) {
        platform::Palette palette;
        mSurface->GetPalette(&palette);
        mSurface->SetPalette(palette);
    }
    ReattachDC();
    mContentsLost = true;
}

bool vDxSimpleImage_c::Loaded() {
    if (!mSurface && mWidth > 0 && mHeight > 0) Create(mWidth, mHeight, mBpp);
    return true;
}

int vDxSimpleImage_c::GetWidth() const { return mSurface ? mSurface->Width() : 0; }
int vDxSimpleImage_c::GetHeight() const { return mSurface ? mSurface->Height() : 0; }
int vDxSimpleImage_c::GetBPP() const { return mSurface ? mSurface->BitsPerPixel() : mBpp; }

bool vDxSimpleImage_c::ReadNamed(const std::string& fileName, bool resize, platform::Picture* out) {
    size_t q = fileName.find('?');
    if (q != std::string::npos && DxImageCache()) {
        unsigned long index = 0;
        try {
            index = std::stoul(fileName.substr(q + 1));
        } catch (const std::exception&) {
            throw vPrintException_c(0, "Bad picture cache reference: %s", fileName.c_str());
        }
        vDxImage_i& cached = DxImageCache()(static_cast<unsigned>(index));
        if (resize || !mSurface) Create(cached.GetWidth(), cached.GetHeight(), cached.GetBPP());
        BltClipped({0, 0}, cached, {0, 0, cached.GetWidth(), cached.GetHeight()});
        return false;
    }
    *out = ScalePictureToScreen(ReadPictureFile(fileName));
    return true;
}

void vDxSimpleImage_c::LoadResized(const std::string& fileName, int paletteStart) {
    BusyPointer busy;
    platform::Picture picture;
    if (!ReadNamed(fileName, true, &picture)) return;
    int bits = mSurface ? mSurface->BitsPerPixel() : mBpp;
    Create(picture.width, picture.height, bits);
    WritePicture(picture, paletteStart);
}

void vDxSimpleImage_c::Load(const std::string& fileName, int paletteStart) {
    BusyPointer busy;
    platform::Picture picture;
    if (!ReadNamed(fileName, false, &picture)) return;
    if (!mSurface) Create(picture.width, picture.height, mBpp);
    WritePicture(picture, paletteStart);
}

void vDxSimpleImage_c::WritePicture(const platform::Picture& picture, int paletteStart) {
    std::unique_ptr<vDxDC_i> dc = CreateDC();
    const int w = std::min(picture.width, GetWidth()), h = std::min(picture.height, GetHeight());
    const bool indexed = picture.bitsPerPixel == 8;
    const uint8_t* px = picture.pixels.data();
    if (indexed && GetBPP() <= 8) {
        // An 8-bit picture on an 8-bit surface keeps its indices, moved up by
        // the caller's start index so that its colours land in their slots.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                dc->PutPixel(x, y, static_cast<uint32_t>(std::min(255, px[size_t(y) * picture.width + x] + paletteStart)));
        return;
    }
    // Each distinct colour is converted once per table entry for 8-bit pictures.
    uint32_t table[256];
    if (indexed)
        for (int i = 0; i < 256; ++i) {
            platform::PaletteEntry c = i < picture.colourCount ? picture.colours[size_t(i)] : platform::PaletteEntry{};
            table[i] = MakeColor(c.red, c.green, c.blue);
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            size_t i = size_t(y) * picture.width + x;
            dc->PutPixel(x, y, indexed ? table[px[i]] : MakeColor(px[3 * i], px[3 * i + 1], px[3 * i + 2]));
        }
}
