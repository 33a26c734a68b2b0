#include "caption_font.h"

#include <cstring>

namespace zentap {

win32::unique_hfont g_font;

win32::unique_hfont CreateCaptionFont() {
    LOGFONTA description = {};
    description.lfHeight = 12;  // positive: the character cell height
    description.lfWidth = 6;
    description.lfCharSet = DEFAULT_CHARSET;
    std::memcpy(description.lfFaceName, kCaptionFaceName, sizeof(kCaptionFaceName));
    return win32::unique_hfont(CreateFontIndirectA(&description));
}

}  // namespace zentap
