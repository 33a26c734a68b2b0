// The context-menu handler object: one per right-click. Its state is what Initialize reads from
// the selection and what building the menu, drawing the preview and running a command use.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/unique_handle.h"

namespace dravik {

// Selection types left by Initialize.
constexpr int kSelectionFolder = 0;
constexpr int kSelectionImage = 1;
constexpr int kSelectionOther = 2;

// Name of the single selected file, drawn under the thumbnail. One per process: the most recent
// Initialize of any handler decides it.
extern std::string g_selFileName;

class CPMenu {
public:
    CPMenu();
    virtual ~CPMenu();
    CPMenu(const CPMenu&) = delete;
    CPMenu& operator=(const CPMenu&) = delete;

    // The settings step of Initialize: caption language and viewer folder from the registry.
    void ReadSettings();

    // Handler state, in declaration order.
    int m_language = 0;
    std::vector<std::string> m_fileNames;
    std::string m_choosePath;
    std::string m_mainPath;
    int m_IsSelType = kSelectionOther;
    int m_selCount = 0;
    std::string m_curFolder;
    int m_previewCmdId = 0;
    win32::unique_hbitmap m_menuBitmap;
    int m_runType = 0;
    win32::unique_hbitmap m_previewBitmap;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    int m_imageBits = 0;
    int m_previewWidth = 0;
    int m_previewHeight = 0;
    int m_multi_selected = 0;
};

}  // namespace dravik
