#include "display/dx_dc.h"
#include "display/dx_images.h"
#include "display/dx_surface_registry.h"
#include "platform/exception.h"

#include "../support/bmp_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using testing_bmp::Rgb;

namespace {

std::string WriteBmp(const std::string& name, int w, int h, const std::function<Rgb(int, int)>& at) {
    std::vector<Rgb> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px.push_back(at(x, y));
    auto bytes = testing_bmp::Bmp24(w, h, px);
    auto dir = std::filesystem::temp_directory_path() / "lorvano_images_tests";
    std::filesystem::create_directories(dir);
    auto path = (dir / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

// Quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
Rgb Quadrant(int x, int y, int w, int h) {
    if (y < h / 2) return x < w / 2 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
    return x < w / 2 ? Rgb{0, 0, 255} : Rgb{255, 255, 255};
}

uint32_t PixelAt(vDxImage_i& image, int x, int y) { return image.CreateDC()->GetPixel(x, y); }

struct ScreenAt {
    ScreenAt(int defX, int defY, int actX, int actY) {
        vDxScreenInfo s;
        s.exists = true;
        s.bpp = 32;
        s.fullScreen = true;
        s.defaultResX = defX;
        s.defaultResY = defY;
        s.actualResX = actX;
        s.actualResY = actY;
        SetDxScreenInfo(s);
    }
    ~ScreenAt() { SetDxScreenInfo({}); }
};

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const vException_c& e) {
        return e.Message();
    }
    return {};
}

}  // namespace

TEST(FileImage, LoadsItsFileWhenLoaded) {
    std::string file = WriteBmp("quad.bmp", 8, 8, [](int x, int y) { return Quadrant(x, y, 8, 8); });
    ScreenAt screen(800, 600, 800, 600);
    vDxFileImage_c image;
    image.SetFileName(file);
    EXPECT_TRUE(image.Loaded());
    EXPECT_EQ(image.GetWidth(), 8);
    EXPECT_EQ(image.GetBPP(), 32);  // the screen's
    EXPECT_EQ(PixelAt(image, 7, 7), 0xFFFFFFu);
}

TEST(FileImage, CropIsScaledLikeThePicture) {
    std::string file = WriteBmp("quad100.bmp", 100, 100, [](int x, int y) { return Quadrant(x, y, 100, 100); });
    ScreenAt screen(800, 600, 1024, 768);
    vDxFileImage_c image;
    image.SetFileName(file);
    image.SetCrop(50, 0, 50, 50);  // the green quadrant
    image.Loaded();
    EXPECT_EQ(image.GetWidth(), 64);
    EXPECT_EQ(image.GetHeight(), 64);
    // Inside (the resampled edge column blends with the red neighbour).
    EXPECT_EQ(PixelAt(image, 2, 2), 0x00FF00u);
    EXPECT_EQ(PixelAt(image, 60, 60), 0x00FF00u);
}

TEST(FileImage, CropOutsideThePicture) {
    std::string file = WriteBmp("quad8.bmp", 8, 8, [](int x, int y) { return Quadrant(x, y, 8, 8); });
    ScreenAt screen(800, 600, 800, 600);
    vDxFileImage_c image;
    image.SetFileName(file);
    image.SetCrop(20, 20, 4, 4);
    EXPECT_NE(Message([&] { image.Loaded(); }).find("outside the picture"), std::string::npos);
    image.SetCrop(-10, 0, 4, 4);
    EXPECT_THROW(image.Loaded(), vException_c);
    image.SetCrop(0, 0, -3, 4);
    EXPECT_THROW(image.Loaded(), vException_c);
    // Partly outside: the crop's size, black where there is no picture.
    image.SetCrop(6, 6, 4, 4);
    image.Loaded();
    EXPECT_EQ(image.GetWidth(), 4);
    EXPECT_EQ(PixelAt(image, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(image, 3, 3), 0u);
}

TEST(FileImage, CropKeepsKeyPixelsAndTheKey) {
    std::string file = WriteBmp("keyed.bmp", 4, 4, [](int x, int) { return x < 2 ? Rgb{0, 0, 255} : Rgb{9, 9, 9}; });
    ScreenAt screen(800, 600, 800, 600);
    vDxFileImage_c image;
    image.SetTransparentColor(0x0000FF);
    image.SetFileName(file);
    image.SetCrop(1, 0, 2, 2);
    image.Loaded();
    EXPECT_EQ(PixelAt(image, 0, 0), 0x0000FFu);
    EXPECT_EQ(PixelAt(image, 1, 0), 0x090909u);
    EXPECT_EQ(image.GetSurface()->ColorKey(), std::optional<uint32_t>(0x0000FFu));
}

TEST(FileImage, ReloadsAfterLoss) {
    std::string file = WriteBmp("reload.bmp", 4, 4, [](int, int) { return Rgb{1, 2, 3}; });
    ScreenAt screen(800, 600, 800, 600);
    vDxPosFileImage_c image;
    image.SetFileName(file);
    image.SetTransparentColor(0x010203);
    image.Loaded();
    vDxSimpleImage_c parent;
    parent.Create(8, 8, 32);
    image.SetParent(&parent);
    image.SetPos({4, 4});
    platform::MarkAllSurfacesLost();
    RestoreAllSurfaces();
    EXPECT_EQ(PixelAt(image, 2, 2), 0x010203u);
    EXPECT_TRUE(image.IsTransparent());
    EXPECT_EQ(image.GetSurface()->ColorKey(), std::optional<uint32_t>(0x010203u));
}

TEST(PosFileImage, DrawsOntoItsParentAtItsPosition) {
    std::string file = WriteBmp("pos.bmp", 2, 2, [](int, int) { return Rgb{200, 100, 50}; });
    ScreenAt screen(800, 600, 800, 600);
    vDxSimpleImage_c parent;
    parent.Create(6, 6, 32);
    parent.FillRect({0, 0, 6, 6}, 0);
    vDxPosFileImage_c image;
    image.SetFileName(file);
    image.Loaded();
    image.SetParent(&parent);
    image.SetPos({3, 1});
    image.Draw();
    EXPECT_EQ(PixelAt(parent, 3, 1), 0xC86432u);
    EXPECT_EQ(PixelAt(parent, 4, 2), 0xC86432u);
    EXPECT_EQ(PixelAt(parent, 2, 1), 0u);
    EXPECT_EQ(PixelAt(parent, 3, 3), 0u);
    // A plain file image leaves drawing to its owner.
    vDxFileImage_c plain;
    plain.SetFileName(file);
    plain.Loaded();
    plain.SetParent(&parent);
    parent.FillRect({0, 0, 6, 6}, 0);
    plain.Draw();
    EXPECT_EQ(PixelAt(parent, 0, 0), 0u);
}

TEST(Rectangle, FillsScaledCornersOnItsParent) {
    ScreenAt screen(800, 600, 1600, 1200);
    vDxSimpleImage_c parent;
    parent.Create(40, 40, 16);
    parent.FillRect({0, 0, 40, 40}, 0);
    vDxRectangle_c rect;
    rect.SetParent(&parent);
    rect.SetPos({2, 3});
    rect.SetSize(5, 4);
    rect.SetColor(255, 0, 0);
    EXPECT_EQ(rect.GetWidth(), 5);
    EXPECT_EQ(rect.GetSurface(), nullptr);
    EXPECT_EQ(rect.MakeColor(255, 0, 0), 0xF800u);  // in the parent's format
    rect.Draw();
    EXPECT_EQ(PixelAt(parent, 4, 6), 0xF800u);    // (2,3) scaled
    EXPECT_EQ(PixelAt(parent, 13, 13), 0xF800u);  // up to (7,7) scaled, exclusive
    EXPECT_EQ(PixelAt(parent, 14, 13), 0u);
    EXPECT_EQ(PixelAt(parent, 3, 6), 0u);
}

TEST(MultiImage, ComposesSubImagesInOrderOnBlack) {
    ScreenAt screen(800, 600, 800, 600);
    vDxMultiImage_c multi;
    multi.SetRequestedSize(10, 10, 32);
    auto first = std::make_unique<vDxRectangle_c>();
    first->SetSize(6, 6);
    first->SetColor(0, 255, 0);
    auto second = std::make_unique<vDxRectangle_c>();
    second->SetPos({4, 4});
    second->SetSize(6, 6);
    second->SetColor(0, 0, 255);
    vDxRectangle_c* secondPtr = second.get();
    multi.SubImages().push_back(std::move(first));
    multi.SubImages().push_back(std::move(second));
    multi.SubImages().push_back(std::make_unique<vDxNoImage_c>());
    EXPECT_TRUE(multi.Loaded());
    EXPECT_EQ(secondPtr->GetParent(), &multi);
    EXPECT_EQ(PixelAt(multi, 0, 0), 0x00FF00u);
    EXPECT_EQ(PixelAt(multi, 5, 5), 0x0000FFu);  // the later one on top
    EXPECT_EQ(PixelAt(multi, 9, 0), 0u);         // black elsewhere
    // After a loss the composite is drawn again.
    platform::MarkAllSurfacesLost();
    RestoreAllSurfaces();
    EXPECT_EQ(PixelAt(multi, 0, 0), 0x00FF00u);
    EXPECT_EQ(PixelAt(multi, 9, 0), 0u);
}

TEST(NoImage, HasNoSurface) {
    vDxNoImage_c none;
    EXPECT_EQ(none.GetWidth(), 0);
    EXPECT_EQ(none.GetSurface(), nullptr);
    EXPECT_THROW(none.Lock(), vDxException_c);
    EXPECT_THROW(none.Create(2, 2, 32), vExNotImplemented_c);
    none.Draw();
}
