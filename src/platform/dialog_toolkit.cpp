#include "platform/dialog_toolkit.h"

#include <algorithm>

namespace platform {

PagePlacement FitCentred(int pageWidth, int pageHeight, int pictureWidth, int pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || pageWidth <= 0 || pageHeight <= 0) return {};
    const double scale = std::min(static_cast<double>(pageWidth) / pictureWidth,
                                  static_cast<double>(pageHeight) / pictureHeight);
    PagePlacement p;
    p.width = static_cast<int>(pictureWidth * scale);
    p.height = static_cast<int>(pictureHeight * scale);
    p.x = (pageWidth - p.width) / 2;
    p.y = (pageHeight - p.height) / 2;
    return p;
}

}  // namespace platform
