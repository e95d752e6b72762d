#include "decoder/legacy/engine/legacy_engine_gray_image.h"

#include <cstring>

#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_switch.h"

namespace {

tagGrayImage_t grayImage;
// Work areas the image record points to; nothing on the line road writes them.
unsigned char workAreas[2][256];

}  // namespace

tagGrayImage_t* GetGrayImage() { return &grayImage; }

void InitializeGrayImage(tagGrayImage_t** out, unsigned short* pixels, unsigned width, unsigned height, unsigned,
                         NEW_DECODE_INFO_st* info, DECODE_EXEC_STATUS_st* handled, int)
{
    tagGrayImage_t* const image = GetGrayImage();
    *out = image;
    bool const usable = pixels != nullptr && width > 0 && height > 0 && width <= 0x7FFFFFFFu && height <= 0x7FFFFFFFu;
    image->pixels = usable ? pixels : nullptr;
    image->width = usable ? static_cast<int>(width) : 0;
    image->height = usable ? static_cast<int>(height) : 0;
    image->work[0] = workAreas[0];
    image->work[1] = workAreas[1];
    image->cleared[0] = image->cleared[1] = 0;
    image->decodeInfo = info;
    image->handled = handled;
    std::memset(info, 0, sizeof *info);
    info->regionNumber = 3;
    info->word16 = 16;
    info->laplacian = 1;
    UpdateXSW(4, 0x49, 0);
    UpdateXSW(5, 0x2E, 0);
    UpdateXSW(7, 0x0F, 0);
    UpdateXSW(248, 0x01, 0);
    UpdateXSW(255, 0x20, 0);
}
