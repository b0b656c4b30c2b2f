#include "display/dx_image.h"

#include "display/dx_dc.h"
#include "display/dx_surface_registry.h"
#include "events/window.h"
#include "platform/exception.h"

#include <algorithm>
#include <bit>

namespace {

vDxScreenInfo gScreenInfo;
vDxImageCacheLookup gCache;
vDxBusyPointerHooks gBusy;

}  // namespace

const vDxScreenInfo& DxScreenInfo() { return gScreenInfo; }
void SetDxScreenInfo(const vDxScreenInfo& info) { gScreenInfo = info; }
void SetImageCache(vDxImageCacheLookup lookup) { gCache = std::move(lookup); }
void SetBusyPointerHooks(vDxBusyPointerHooks hooks) { gBusy = std::move(hooks); }

void UseBusyPointerOf(vWindow_c* window) {
    if (!window) {
        gBusy = {};
        return;
    }
    gBusy = {[window] { window->PushCursor(12); }, [window] { window->PopCursor(); }};
}

const vDxImageCacheLookup& DxImageCache() { return gCache; }
const vDxBusyPointerHooks& DxBusyPointer() { return gBusy; }

void DxCallRef(void* context, int (*call)(void* context)) {
    int rc = call(context);
    if (rc == platform::surface_result::kSurfaceLost) {
        RestoreAllSurfaces();
        rc = call(context);
    }
    if (rc != platform::surface_result::kOk) throw vDxException_c(rc, platform::SurfaceErrorText());
}

namespace {

using vTD_vDxImage_i_GetPosX_c = vTD_GetterTmpl_c<vDxImage_i, int32_t, &vDxImage_i::GetPosX, &vDxImage_i::SetPosX>;
using vTD_vDxImage_i_GetPosY_c = vTD_GetterTmpl_c<vDxImage_i, int32_t, &vDxImage_i::GetPosY, &vDxImage_i::SetPosY>;
using vTD_vDxImage_i_GetTransparentColor_c =
    vTD_GetterTmpl_c<vDxImage_i, uint32_t, &vDxImage_i::GetTransparentColor, &vDxImage_i::SetTransparentColor>;
const vTD_vDxImage_i_GetPosX_c gTD_vDxImage_i_GetPosX{"vSInt32"};
const vTD_vDxImage_i_GetPosY_c gTD_vDxImage_i_GetPosY{"vSInt32"};
const vTD_vDxImage_i_GetTransparentColor_c gTD_vDxImage_i_GetTransparentColor{"vUInt32"};

}  // namespace

V_REGISTER_CLASS(vDxImage_i,
    V_PROP_GETTER("PosX", gTD_vDxImage_i_GetPosX),
    V_PROP_GETTER("PosY", gTD_vDxImage_i_GetPosY),
    V_PROP_GETTER("TransparentColor", gTD_vDxImage_i_GetTransparentColor));

std::unique_ptr<vDxImage_i> vDxImage_i::Clone() {
    std::unique_ptr<vPropCntnr_c> made = CreateDerived(GetTypeInfo()->Name(), &sTypeInfo);
    auto* copy = dynamic_cast<vDxImage_i*>(made.get());
    if (!copy) throw vException_c(0);
    made.release();
    std::unique_ptr<vDxImage_i> owned(copy);
    // Each value property (value objects such as a colour included) travels
    // as its definition-file text; the two objects are of one class, so their
    // properties walk in step. Lists and objects held through pointers
    // (sub-images) are not copied.
    ConversionContext context;
    vPropCntnrIterator_c from(this), to(owned.get());
    std::vector<char> text(4096);
    for (; !from.AtEnd() && !to.AtEnd(); from.Next(), to.Next()) {
        if (from.Property()->Has(vPropFlags_e::Pointer) || dynamic_cast<const vTD_ElemCntnr_c*>(from.GetTypeInfo()))
            continue;
        from.ToText(text.data(), text.size(), context);
        to.SetFromText(text.data(), context);
    }
    owned->SetParent(mParent);
    owned->Loaded();
    return owned;
}

vDxImage_i::~vDxImage_i() {
    // A pixel access object outliving its image must not unlock freed memory.
    if (mAttachedDC) mAttachedDC->mImage = nullptr;
    for (vDxImage_i* child : mChildren) child->mParent = nullptr;
    SetParent(nullptr);
}

void vDxImage_i::SetParent(vDxImage_i* parent) {
    if (mParent == parent) return;
    if (mParent) {
        auto& siblings = mParent->mChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    mParent = parent;
    if (parent) parent->mChildren.push_back(this);
}

void vDxImage_i::Create(int, int, int) { throw vExNotImplemented_c("This image has no surface"); }
void vDxImage_i::LoadResized(const std::string&, int) { throw vExNotImplemented_c("This image has no surface"); }
void vDxImage_i::Load(const std::string&, int) { throw vExNotImplemented_c("This image has no surface"); }

vDxPoint vDxImage_i::ToParent(vDxPoint p) const {
    if (!mParent) return p;
    return {p.x + mPos.x, p.y + mPos.y};
}

vDxPoint vDxImage_i::FromParent(vDxPoint p) const {
    if (!mParent) return p;
    return {p.x - mPos.x, p.y - mPos.y};
}

int vDxImage_i::GetPitch() const {
    if (mLockCount == 0) throw vException_c(0);
    return mPitch;
}

vDxPoint vDxImage_i::ScaleToScreen(int x, int y) {
    const vDxScreenInfo& s = gScreenInfo;
    if (!s.exists || s.defaultResX == 0 || s.defaultResY == 0) return {x, y};
    return {static_cast<int>(int64_t{x} * s.actualResX / s.defaultResX),
            static_cast<int>(int64_t{y} * s.actualResY / s.defaultResY)};
}

platform::Surface& vDxImage_i::RequireSurface() {
    platform::Surface* s = GetSurface();
    if (!s) throw vDxException_c(platform::surface_result::kInvalidParams, "The image has no surface");
    return *s;
}

uint8_t* vDxImage_i::Lock() {
    if (mLockCount == 0) {
        platform::Surface& s = RequireSurface();
        NotifyBeginUpdate();
        try {
            DxCall([&] { return s.Lock(&mBase, &mPitch); });
        } catch (...) {
            NotifyEndUpdate();
            throw;
        }
    }
    ++mLockCount;
    return mBase;
}

void vDxImage_i::Unlock() {
    if (mLockCount == 0) return;
    if (--mLockCount > 0) return;
    if (platform::Surface* s = GetSurface()) s->Unlock();
    mBase = nullptr;
    mPitch = -1;
    NotifyEndUpdate();
    Changed();
}

void vDxImage_i::ReattachDC() {
    if (mLockCount == 0) return;
    platform::Surface& s = RequireSurface();
    DxCall([&] { return s.Lock(&mBase, &mPitch); });
    if (mAttachedDC) mAttachedDC->Reattach(mBase, mPitch);
}

std::unique_ptr<vDxDC_i> vDxImage_i::CreateDC() {
    std::unique_ptr<vDxDC_i> dc;
    int bpp = GetBPP();
    if (bpp >= 1 && bpp <= 8)
        dc = std::make_unique<vDxDC8_c>();
    else if (bpp == 16)
        dc = std::make_unique<vDxDC16_c>();
    else if (bpp == 24)
        dc = std::make_unique<vDxDC24_c>();
    else if (bpp == 32)
        dc = std::make_unique<vDxDC32_c>();
    else
        throw vException_c(0);
    dc->AttachImage(this);
    return dc;
}

namespace {

// One 8-bit pixel under its own lock; out-of-range pixels are ignored.
template <typename F>
uint8_t WithPixel(vDxImage_i& image, int x, int y, F&& f) {
    if (image.GetBPP() > 8) throw vException_c(0);
    uint8_t* base = image.Lock();
    uint8_t result = 0;
    if (x >= 0 && y >= 0 && x < image.GetWidth() && y < image.GetHeight())
        result = f(base[static_cast<ptrdiff_t>(y) * image.GetPitch() + x]);
    image.Unlock();
    return result;
}

}  // namespace

void vDxImage_i::PutPixel(int x, int y, uint8_t colour) {
    WithPixel(*this, x, y, [&](uint8_t& p) { return p = colour; });
}

uint8_t vDxImage_i::GetPixel(int x, int y) {
    return WithPixel(*this, x, y, [](uint8_t& p) { return p; });
}

uint8_t vDxImage_i::ExchangePixel(int x, int y, uint8_t colour) {
    return WithPixel(*this, x, y, [&](uint8_t& p) {
        uint8_t old = p;
        p = colour;
        return old;
    });
}

namespace {

uint32_t Place(uint8_t component, uint32_t mask) {
    if (mask == 0) return 0;
    int bits = std::popcount(mask);
    int shift = std::countr_zero(mask);
    return (static_cast<uint32_t>(component) >> (8 - std::min(bits, 8))) << shift;
}

}  // namespace

uint32_t vDxImage_i::MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
    platform::Surface* s = GetSurface();
    if (!s) {
        // Images without a surface draw on their parent, in its format.
        if (mParent) return mParent->MakeColor(red, green, blue);
        throw vDxException_c(platform::surface_result::kInvalidParams, "The image has no surface");
    }
    if (s->BitsPerPixel() <= 8) return 10 + (red * 6 >> 8) + 6 * (green * 6 >> 8) + 36 * (blue * 6 >> 8);
    platform::PixelMasks m = s->Masks();
    return Place(red, m.red) | Place(green, m.green) | Place(blue, m.blue);
}

uint32_t vDxImage_i::MakeColor(int paletteIndex) {
    platform::Surface* s = GetSurface();
    platform::PaletteEntry c;
    if (s && s->BitsPerPixel() <= 8) {
        platform::Palette palette;
        DxCall([&] { return s->GetPalette(&palette); });
        c = platform::ResolvePaletteEntry(palette, paletteIndex);
    } else {
        c = platform::ResolvePaletteEntry(platform::MakeStandardPalette(true), paletteIndex);
    }
    return MakeColor(c.red, c.green, c.blue);
}

void vDxImage_i::SetTransparentColor(uint32_t rgb) {
    if (rgb > 0xFFFFFFu) {
        ClearTransparency();
        return;
    }
    mKeyRgb = rgb;
    mTransparent = true;
    ApplyColorKey();
}

void vDxImage_i::ClearTransparency() {
    mTransparent = false;
    if (platform::Surface* s = GetSurface()) s->SetColorKey(std::nullopt);
}

void vDxImage_i::ApplyColorKey() {
    platform::Surface* s = GetSurface();
    if (!s) return;
    if (!mTransparent) {
        s->SetColorKey(std::nullopt);
        return;
    }
    s->SetColorKey(MakeColor(static_cast<uint8_t>(mKeyRgb >> 16), static_cast<uint8_t>(mKeyRgb >> 8),
                             static_cast<uint8_t>(mKeyRgb)));
}

void vDxImage_i::BltTo(vDxPoint dst, vDxImage_i& src, const vDxRect& srcRect) {
    platform::Surface& d = RequireSurface();
    platform::Surface& s = src.RequireSurface();
    DxCall([&] { return d.Blit(dst, s, srcRect); });
    Changed();
}

void vDxImage_i::BltClipped(vDxPoint dst, vDxImage_i& src, vDxRect r) {
    // Against the source.
    if (r.x < 0) { dst.x -= r.x; r.w += r.x; r.x = 0; }
    if (r.y < 0) { dst.y -= r.y; r.h += r.y; r.y = 0; }
    r.w = std::min(r.w, src.GetWidth() - r.x);
    r.h = std::min(r.h, src.GetHeight() - r.y);
    // Against the destination.
    if (dst.x < 0) { r.x -= dst.x; r.w += dst.x; dst.x = 0; }
    if (dst.y < 0) { r.y -= dst.y; r.h += dst.y; dst.y = 0; }
    r.w = std::min(r.w, GetWidth() - dst.x);
    r.h = std::min(r.h, GetHeight() - dst.y);
    if (r.Empty()) return;
    BltTo(dst, src, r);
}

void vDxImage_i::BltImage(vDxPoint dst, vDxImage_i& src) {
    BltClipped(dst, src, {0, 0, src.GetWidth(), src.GetHeight()});
}

void vDxImage_i::FillRect(const vDxRect& rect, uint32_t colour) {
    platform::Surface& s = RequireSurface();
    int x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
    int x1 = std::min(rect.x + rect.w, GetWidth()), y1 = std::min(rect.y + rect.h, GetHeight());
    if (x1 <= x0 || y1 <= y0) return;
    DxCall([&] { return s.Fill({x0, y0, x1 - x0, y1 - y0}, colour); });
    Changed();
}

platform::TextLayout vDxImage_i::DrawTextBox(const vDxRect& box, const std::string& text,
                                             const platform::FontChoice& font, platform::TextColour colour,
                                             platform::TextAlign align) {
    platform::Surface& s = RequireSurface();
    if (s.IsLost()) RestoreAllSurfaces();
    NotifyBeginUpdate();
    platform::TextLayout layout;
    try {
        layout = platform::DrawTextBox(s, box, text, font, colour, align);
    } catch (...) {
        NotifyEndUpdate();
        throw;
    }
    NotifyEndUpdate();
    Changed();
    return layout;
}

void vDxImage_i::AddLockListener(vDxLockListener_i* listener) { mLockListeners.push_back(listener); }

void vDxImage_i::RemoveLockListener(vDxLockListener_i* listener) {
    mLockListeners.erase(std::remove(mLockListeners.begin(), mLockListeners.end(), listener), mLockListeners.end());
}

void vDxImage_i::NotifyBeginUpdate() {
    for (vDxLockListener_i* l : mLockListeners) l->BeginUpdate();
}

void vDxImage_i::NotifyEndUpdate() {
    for (vDxLockListener_i* l : mLockListeners) l->EndUpdate();
}
