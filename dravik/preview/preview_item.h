// The owner-drawn preview entry: a thumbnail with the file's name and its dimensions below.
#pragma once

namespace dravik {

constexpr int kThumbnailBox = 150;           // requested from the image library, both ways
constexpr int kItemHeightAllowance = 45;     // added to the thumbnail height when measuring
constexpr int kMeasureFallbackWidth = 100;
constexpr int kHorizontalMargin = 10;        // item width minus this is the room for the picture
constexpr int kVerticalAllowance = 25;       // item height minus this is the room for the picture
constexpr int kCentringCut = 15;             // the picture is centred in the item height less this
constexpr int kCaptionTop = 3;               // first caption line, below the picture
constexpr int kCaptionBottom = 17;
constexpr int kCaptionStep = 16;             // the second line is the first moved down by this

// Size of the last thumbnail loaded in the process; the measure answers come from here.
extern int g_lastPreviewWidth;
extern int g_lastPreviewHeight;

}  // namespace dravik
