// Writes the demonstration's sample selection: a folder, a text file, two photos and an animation,
// and two photos whose names a Korean desktop's ANSI code page cannot spell: one in Thai, one with
// an emoji. Usage: make_samples.exe <folder>
#include <windows.h>

#include <cstdio>
#include <string>

#include "samples/files.h"
#include "samples/image_files.h"
#include "win32/code_page.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string folder = std::string(argv[1]) + "\\";
    using image_files::Format;
    using image_files::Picture;
    using image_files::Pixels;
    CreateDirectoryA(argv[1], nullptr);  // may exist from an earlier run
    CreateDirectoryA((folder + "album").c_str(), nullptr);
    const bool ok = samples::WriteWholeFile(folder + "notes.txt", "not an image") &&
                    image_files::WriteImage(folder + "harbour.jpg",
                                            {Format::Jpeg, 1024, 768, Pixels::Bgr24, 1, Picture::Landscape}) &&
                    image_files::WriteImage(folder + "island.png",
                                            {Format::Png, 640, 480, Pixels::Bgr24, 1, Picture::Landscape}) &&
                    image_files::WriteImage(folder + "waves.gif", {Format::Gif, 300, 200, Pixels::Indexed8, 3}) &&
                    image_files::WriteImage(win32::widen(folder) + L"\u0E15\u0E25\u0E32\u0E14\u0E19\u0E49\u0E33.jpg",
                                            {Format::Jpeg, 800, 600, Pixels::Bgr24, 1, Picture::Landscape}) &&
                    image_files::WriteImage(win32::widen(folder) + L"\xD83C\xDF05 sunrise.jpg",
                                            {Format::Jpeg, 640, 400, Pixels::Bgr24, 1, Picture::Landscape});
    return ok ? 0 : 1;
}
