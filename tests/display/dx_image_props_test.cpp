// The image classes as definition files see them: created by class name,
// properties set and read as text, loaded, cloned.
#include "display/dx_dc.h"
#include "display/dx_images.h"
#include "platform/exception.h"

#include "../support/bmp_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

const ConversionContext kContext;

void Set(vPropCntnr_c& object, const char* path, const char* text, const char* className = "") {
    vPropCntnrIterator_c it(&object);
    auto found = it.FindPath(path, className, true);
    ASSERT_TRUE(found) << path;
    if (text) found->SetFromText(text, kContext);
}

// Appends an object of className to the list property.
void Append(vPropCntnr_c& object, const char* list, const char* className) {
    vPropCntnrIterator_c it(&object);
    auto found = it.FindPath(list, className, true);
    ASSERT_TRUE(found) << list;
    ASSERT_TRUE(found->NewValueIterator()->FindPath("", className, true)) << className;
}

std::string Get(vPropCntnr_c& object, const char* path) {
    vPropCntnrIterator_c it(&object);
    auto found = it.FindPath(path, "", false);
    if (!found) return "<none>";
    char buffer[256];
    found->ToText(buffer, sizeof buffer, kContext);
    return buffer;
}

template <class T>
std::unique_ptr<T> Make(const char* name) {
    std::unique_ptr<vPropCntnr_c> made(gTypeRegistry.CreateByName(name));
    auto* typed = dynamic_cast<T*>(made.get());
    EXPECT_TRUE(typed) << name;
    made.release();
    return std::unique_ptr<T>(typed);
}

std::string Picture(const std::string& name, int w, int h, testing_bmp::Rgb colour) {
    auto bytes = testing_bmp::Bmp24(w, h, std::vector<testing_bmp::Rgb>(size_t(w) * h, colour));
    auto dir = std::filesystem::temp_directory_path() / "lorvano_props_tests";
    std::filesystem::create_directories(dir);
    auto path = (dir / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

}  // namespace

TEST(ImageProperties, PositionAndTransparencyThroughTheImage) {
    auto image = Make<vDxSimpleImage_c>("vDxSimpleImage_c");
    EXPECT_EQ(Get(*image, "PosX"), "0");
    EXPECT_EQ(Get(*image, "TransparentColor"), "4278190080");  // 0xFF000000: not transparent
    Set(*image, "PosX", "120");
    Set(*image, "PosY", "-7");
    Set(*image, "TransparentColor", "255");
    EXPECT_EQ(image->GetPos(), (vDxPoint{120, -7}));
    EXPECT_TRUE(image->IsTransparent());
    EXPECT_EQ(image->GetTransparentColor(), 0xFFu);
    EXPECT_EQ(Get(*image, "PosY"), "-7");
    Set(*image, "TransparentColor", "16777216");  // above 0xFFFFFF: opaque again
    EXPECT_FALSE(image->IsTransparent());
}

TEST(ImageProperties, SimpleImageCreatesItsSurfaceWhenLoaded) {
    auto image = Make<vDxSimpleImage_c>("vDxSimpleImage_c");
    EXPECT_EQ(Get(*image, "Width"), "0");
    EXPECT_EQ(Get(*image, "BPP"), "-1");
    Set(*image, "Width", "12");
    Set(*image, "Height", "5");
    Set(*image, "BPP", "16");
    Set(*image, "NeedVidMem", "TRUE");
    EXPECT_EQ(image->GetWidth(), 0);  // not before the load ends
    image->LoadFinished();
    EXPECT_EQ(image->GetWidth(), 12);
    EXPECT_EQ(image->GetBPP(), 16);
    EXPECT_TRUE(image->NeedVidMem());
}

TEST(ImageProperties, FileImageLoadsAndCrops) {
    std::string file = Picture("props.bmp", 10, 10, {7, 8, 9});
    auto image = Make<vDxFileImage_c>("vDxFileImage_c");
    Set(*image, "BPP", "32");
    Set(*image, "FileName", ("\"" + file + "\"").c_str());
    Set(*image, "CropX", "2");
    Set(*image, "CropSizeX", "3");
    Set(*image, "CropSizeY", "4");
    EXPECT_EQ(image->FileName(), file);
    image->LoadFinished();
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(image->GetHeight(), 4);
    EXPECT_EQ(image->CreateDC()->GetPixel(1, 1), 0x070809u);
}

TEST(ImageProperties, RectangleAndComposite) {
    auto multi = Make<vDxMultiImage_c>("vDxMultiImage_c");
    Set(*multi, "Width", "8");
    Set(*multi, "Height", "8");
    Set(*multi, "BPP", "32");
    Append(*multi, "SubImages", "vDxRectangle_c");
    Set(*multi, "SubImages[0].Width", "4");
    Set(*multi, "SubImages[0].Height", "8");
    Set(*multi, "SubImages[0].Color.Red", "255");
    Append(*multi, "SubImages", "vDxNoImage_c");
    ASSERT_EQ(multi->SubImages().size(), 2u);
    EXPECT_NE(dynamic_cast<vDxRectangle_c*>(multi->SubImages()[0].get()), nullptr);
    multi->LoadFinished();
    auto dc = multi->CreateDC();
    EXPECT_EQ(dc->GetPixel(3, 7), 0xFF0000u);
    EXPECT_EQ(dc->GetPixel(4, 0), 0u);
}

TEST(ImageProperties, CloneCopiesClassPropertiesAndParent) {
    std::string file = Picture("clone.bmp", 4, 2, {1, 1, 1});
    vDxSimpleImage_c parent;
    auto image = Make<vDxPosFileImage_c>("vDxPosFileImage_c");
    Set(*image, "BPP", "32");
    Set(*image, "PosX", "3");
    Set(*image, "TransparentColor", "65280");
    Set(*image, "FileName", ("\"" + file + "\"").c_str());
    image->SetParent(&parent);
    image->LoadFinished();
    std::unique_ptr<vDxImage_i> copy = image->Clone();
    auto* typed = dynamic_cast<vDxPosFileImage_c*>(copy.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->GetParent(), &parent);
    EXPECT_EQ(typed->GetPos().x, 3);
    EXPECT_EQ(typed->GetTransparentColor(), 0x00FF00u);
    EXPECT_EQ(typed->FileName(), file);
    EXPECT_EQ(typed->GetWidth(), 4);  // loaded like the original
}

TEST(ImageProperties, CloneOfARectangleKeepsItsColour) {
    auto rect = Make<vDxRectangle_c>("vDxRectangle_c");
    Set(*rect, "Width", "6");
    Set(*rect, "Color.Green", "200");
    auto copy = rect->Clone();
    EXPECT_EQ(Get(*copy, "Width"), "6");
    EXPECT_EQ(Get(*copy, "Color.Green"), "200");
    auto multi = Make<vDxMultiImage_c>("vDxMultiImage_c");
    Append(*multi, "SubImages", "vDxNoImage_c");
    EXPECT_TRUE(dynamic_cast<vDxMultiImage_c&>(*multi->Clone()).SubImages().empty());
}

TEST(ImageProperties, TheInterfaceCannotBeCreated) {
    EXPECT_THROW(CreateDerived("vDxImage_i", &vDxImage_i::sTypeInfo), vException_c);
    EXPECT_NO_THROW(CreateDerived("vDxNoImage_c", &vDxImage_i::sTypeInfo));
}
