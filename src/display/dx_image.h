#pragma once
// vDxImage_i: the root of everything visible. An image has a position in its
// parent image, an optional transparent colour, usually a surface of its own
// (vDxSimpleImage_c), and a place in a tree of images onto which it draws
// itself. Images that own a surface are members of the surface registry so
// that all of them can be restored after a loss (dx_surface_registry.h).
//
// User-interface thread only.

#include "objects/registration.h"
#include "platform/text.h"
#include "platform/video.h"

#include <cstdint>
#include <functional>
#include <type_traits>
#include <memory>
#include <string>
#include <vector>

class vDxDC_i;

// Told before every lock of the image it listens to and after every unlock,
// so that what it drew over the image (a sprite) is taken away meanwhile.
class vDxLockListener_i {
public:
    virtual ~vDxLockListener_i() = default;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
};

using vDxPoint = platform::Point;

// What images need to know of the screen: its depth and mode (for surfaces
// created at the screen's depth and for the 8-bit palette) and the design and
// actual resolutions (for scaling). Set by the screen when it is created.
struct vDxScreenInfo {
    bool exists = false;
    int bpp = 0;
    bool fullScreen = false;
    int defaultResX = 0, defaultResY = 0;
    int actualResX = 0, actualResY = 0;
};
const vDxScreenInfo& DxScreenInfo();
void SetDxScreenInfo(const vDxScreenInfo& info);
using vDxRect = platform::Rect;

// GetTransparentColor of an image without a colour key.
inline constexpr uint32_t kDxNotTransparent = 0xFF000000u;

class vDxImage_i : public vPropCntnr_c {
    V_RTTI_CLASS(vDxImage_i, vPropCntnr_c)
public:
    vDxImage_i() = default;
    // Pure: only the derived classes can be created by name.
    ~vDxImage_i() override = 0;
    vDxImage_i(const vDxImage_i&) = delete;
    vDxImage_i& operator=(const vDxImage_i&) = delete;

    // Tree. The parent keeps a list of its children; neither owns the other.
    virtual void SetParent(vDxImage_i* parent);
    vDxImage_i* GetParent() const { return mParent; }
    const std::vector<vDxImage_i*>& Children() const { return mChildren; }

    // Surface life. bits -1 means the screen's depth.
    virtual void Create(int width, int height, int bits);
    // Loads a picture and recreates the surface at the picture's scaled size.
    virtual void LoadResized(const std::string& fileName, int paletteStart = 0);
    // Loads a picture into the existing surface, from its top-left corner.
    virtual void Load(const std::string& fileName, int paletteStart = 0);
    virtual void Release() {}
    // Gives a lost surface its memory back (contents still to be restored).
    virtual void RestoreSurface() {}
    // First restore pass: give the surface back its memory and contents.
    virtual void Restore() { RestoreSurface(); }
    // Draws the image onto its parent (also the second restore pass).
    virtual void Draw() {}
    // Called once the definition loader has set every property.
    virtual bool Loaded() { return true; }
    // The loader's hook after a definition body: Loaded.
    void LoadFinished() override { Loaded(); }
    // A new image of the same class with the same parent and a copy of the
    // properties (loaded like one from a definition file).
    virtual std::unique_ptr<vDxImage_i> Clone();

    vDxPoint GetPos() const { return mPos; }
    virtual void SetPos(vDxPoint pos) { mPos = pos; }
    // "PosX", "PosY" of definition files.
    int32_t GetPosX() const { return mPos.x; }
    int32_t GetPosY() const { return mPos.y; }
    void SetPosX(int32_t x) { SetPos({x, mPos.y}); }
    void SetPosY(int32_t y) { SetPos({mPos.x, y}); }
    vDxPoint ToParent(vDxPoint p) const;
    vDxPoint FromParent(vDxPoint p) const;

    virtual int GetWidth() const { return 0; }
    virtual int GetHeight() const { return 0; }
    // Raises vException_c 0 while the image is not locked.
    virtual int GetPitch() const;
    virtual int GetBPP() const { return 0; }
    // The surface drawn from; null for images without one.
    virtual platform::Surface* GetSurface() { return nullptr; }

    // Scales a design-resolution point to the screen (see vDxScreen_c).
    static vDxPoint ScaleToScreen(int x, int y);

    // Pixel access: lock returns the base address; listeners are told first.
    virtual uint8_t* Lock();
    virtual void Unlock();
    bool IsLocked() const { return mLockCount > 0; }
    // A pixel access object for the image's depth, attached at once.
    std::unique_ptr<vDxDC_i> CreateDC();

    // 8-bit single pixels, each with its own lock and unlock.
    void PutPixel(int x, int y, uint8_t colour);
    uint8_t GetPixel(int x, int y);
    uint8_t ExchangePixel(int x, int y, uint8_t colour);

    // A colour in the surface's format: at 8 bits or fewer the colour-cube
    // index, above that each component placed by the surface's masks.
    virtual uint32_t MakeColor(uint8_t red, uint8_t green, uint8_t blue);
    // The colour of an entry of the 8-bit palette.
    virtual uint32_t MakeColor(int paletteIndex);

    // 0x00RRGGBB; values above 0xFFFFFF clear transparency.
    virtual void SetTransparentColor(uint32_t rgb);
    uint32_t GetTransparentColor() const { return mTransparent ? mKeyRgb : kDxNotTransparent; }
    bool IsTransparent() const { return mTransparent; }
    virtual void ClearTransparency();

    // Blits: source image's rectangle to a point of this image, with the
    // source's colour key when it is transparent. BltClipped draws nothing
    // when nothing remains after clipping against both images.
    void BltTo(vDxPoint dst, vDxImage_i& src, const vDxRect& srcRect);
    void BltClipped(vDxPoint dst, vDxImage_i& src, vDxRect srcRect);
    void BltImage(vDxPoint dst, vDxImage_i& src);
    // Colour fill of the rectangle clipped to the surface.
    void FillRect(const vDxRect& rect, uint32_t colour);

    // Text laid out in the box (word-wrapped, "..." when it does not fit) on
    // a transparent background; sprites over the image are taken away meanwhile.
    platform::TextLayout DrawTextBox(const vDxRect& box, const std::string& text, const platform::FontChoice& font,
                                     platform::TextColour colour,
                                     platform::TextAlign align = platform::TextAlign::Left);

    void AddLockListener(vDxLockListener_i* listener);
    void RemoveLockListener(vDxLockListener_i* listener);
    void NotifyBeginUpdate();
    void NotifyEndUpdate();

protected:
    // The surface or a vDxException_c when the image has none.
    platform::Surface& RequireSurface();
    // The pixel access object attached to this image, if any.
    vDxDC_i* AttachedDC() const { return mAttachedDC; }
    // Applies the stored key to a (re)created surface.
    void ApplyColorKey();
    // After a restore: lets an attached pixel access object lock afresh.
    void ReattachDC();
    // Something drew on this image (the screen presents after such changes).
    virtual void Changed() {}

private:
    friend class vDxDC_i;
    vDxImage_i* mParent = nullptr;
    std::vector<vDxImage_i*> mChildren;
    vDxPoint mPos;
    bool mTransparent = false;
    uint32_t mKeyRgb = 0;
    int mLockCount = 0;
    uint8_t* mBase = nullptr;
    int mPitch = -1;
    vDxDC_i* mAttachedDC = nullptr;
    std::vector<vDxLockListener_i*> mLockListeners;
};

// Runs one surface call under the lost-surface rule: when it reports a lost
// surface, every surface is restored and the call made once more; any other
// failure raises vDxException_c with the code and the library's text.
// The call is used by reference, so nothing is allocated per call (the
// exercises draw for every capture buffer).
void DxCallRef(void* context, int (*call)(void* context));
template <class Call>
void DxCall(Call&& call) {
    DxCallRef(&call, [](void* context) { return (*static_cast<std::remove_reference_t<Call>*>(context))(); });
}

// The picture cache of start-up: file names "name?index" refer to its images.
// The function returns the image with that index or raises for a bad index.
using vDxImageCacheLookup = std::function<vDxImage_i&(unsigned index)>;
void SetImageCache(vDxImageCacheLookup lookup);
const vDxImageCacheLookup& DxImageCache();

// The busy pointer shown while pictures load; the window layer installs it.
struct vDxBusyPointerHooks {
    std::function<void()> push, pop;
};
void SetBusyPointerHooks(vDxBusyPointerHooks hooks);
// Installs the hooks for a window: pointer 12 (the hourglass) pushed while loading.
class vWindow_c;
void UseBusyPointerOf(vWindow_c* window);
const vDxBusyPointerHooks& DxBusyPointer();
