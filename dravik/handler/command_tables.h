// The handler's commands: menu captions in English and Korean, and the keyword that each one hands
// the viewer. The Korean captions are code page 949 bytes, given to the ANSI menu functions as
// they are.
#pragma once

namespace dravik {

struct CommandRow {
    const char* caption[2];  // indexed by the caption language: English, Korean
    const char* keyword;
};

// Single selections. Rows 0 and 1 caption the folder item, the multi-selection submenu and the
// image submenu; rows 2 to 10 are the image submenu; row 11 is the preview item's keyword.
constexpr CommandRow kCommandTable[] = {
    {{"Lumorex Brower", "\xB7\xE7\xB8\xF0\xB7\xBA\xBD\xBA\x20\xBA\xEA\xB6\xF3\xBF\xEC\xC0\xFA"}, "none"},  // 루모렉스 브라우저
    {{"Lumorex Manager", "\xB7\xE7\xB8\xF0\xB7\xBA\xBD\xBA\x20\xB8\xC5\xB4\xCF\xC0\xFA"}, "none"},  // 루모렉스 매니저
    {{"View", "\xBA\xB8\xB1\xE2"}, "Viw"},                                          // 보기
    {{"Edit", "\xC6\xED\xC1\xFD"}, "Edt"},                                          // 편집
    {{"Rotate", "\xC8\xB8\xC0\xFC"}, "Rot"},                                        // 회전
    {{"Exposure", "\xB3\xEB\xC3\xE2"}, "Exp"},                                      // 노출
    {{"Move to", "\xC6\xC4\xC0\xCF\x20\xC0\xCC\xB5\xBF"}, "Mvt"},                   // 파일 이동
    {{"Convert", "\xC0\xCC\xB9\xCC\xC1\xF6\x20\xBA\xAF\xC8\xAF"}, "Cnv"},           // 이미지 변환
    {{"Print", "\xC3\xE2\xB7\xC2"}, "Prt"},                                         // 출력
    {{"Option", "\xC8\xAF\xB0\xE6\x20\xBC\xB3\xC1\xA4"}, "Opt"},                    // 환경 설정
    {{"About", "\xB7\xE7\xB8\xF0\xB7\xBA\xBD\xBA\x20\xC1\xA4\xBA\xB8"}, "Abt"},     // 루모렉스 정보
    {{"[image]", "\x5B\xB1\xD7\xB8\xB2\x5D"}, "Vwp"},                               // [그림]
};

// Multiple selections: the submenu under kCommandTable row 0.
constexpr CommandRow kMultiCommandTable[] = {
    {{"Rotate", "\xC8\xB8\xC0\xFC"}, "rot"},                                                    // 회전
    {{"Exposure", "\xB3\xEB\xC3\xE2"}, "exp"},                                                  // 노출
    {{"Move to", "\xC6\xC4\xC0\xCF\x20\xC0\xCC\xB5\xBF"}, "mov"},                               // 파일 이동
    {{"Convert", "\xC0\xCC\xB9\xCC\xC1\xF6\x20\xBA\xAF\xC8\xAF"}, "cnv"},                       // 이미지 변환
    {{"Presentation", "\xC7\xC1\xB8\xAE\xC1\xA8\xC5\xD7\xC0\xCC\xBC\xC7"}, "pst"},              // 프리젠테이션
    {{"Batch Rename", "\xC0\xCC\xB8\xA7\x20\xB8\xF0\xB5\xCE\x20\xBA\xAF\xB0\xE6"}, "ren"},      // 이름 모두 변경
};

constexpr int kBrowserRow = 0;
constexpr int kManagerRow = 1;
constexpr int kFirstImageCommandRow = 2;
constexpr int kImageCommandCount = 9;
constexpr int kPreviewRow = 11;
constexpr int kMultiCommandCount = 6;

static_assert(sizeof(kCommandTable) / sizeof(kCommandTable[0]) == kPreviewRow + 1, "kCommandTable rows");
static_assert(sizeof(kMultiCommandTable) / sizeof(kMultiCommandTable[0]) == kMultiCommandCount,
              "kMultiCommandTable rows");

// The single item of an image of the reduced kind, in both languages, and its keyword.
constexpr char kUnknownCommandCaption[] = "unknow command of lumorex";
constexpr char kReducedKindKeyword[] = "1";
// The folder item's keyword.
constexpr char kFolderKeyword[] = "brw";

}  // namespace dravik
