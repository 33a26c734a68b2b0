// What kind of image a file holds, told from its content without decoding its pixels.
#pragma once

namespace zuzazavuro {

constexpr int kKindNone = 0;    // not a format the platform's codecs read
constexpr int kKindStill = 1;   // one picture
constexpr int kKindFrames = 2;  // several frames or pages

int FileKind(const char* path);

}  // namespace zuzazavuro
