// The context-menu handler object: one per right-click. Its state is what Initialize reads from
// the selection and what building the menu, drawing the preview and running a command use.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shtypes.h>

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

    // Takes the shell's selection: settings, the names and folders of the selected items, and
    // the selection type that decides the menu. E_INVALIDARG when no path was delivered.
    HRESULT Initialize(PCIDLIST_ABSOLUTE folderIdList, IDataObject* dataObject, HKEY progIdKey);

    // The settings step of Initialize: caption language and viewer folder from the registry.
    void ReadSettings();

    // Asks the image library for the file's kind and, for a known kind, a thumbnail that fits
    // the 150 x 150 box. Always 1; the outcome is in m_previewBitmap and the size fields.
    int LoadPreviewImage(const char* path);
    // The library's kind for the file as a signed 8-bit value; 0 without library or export.
    int GetFileKind(const char* path);

    // Owner-draw of the preview entry. Both always succeed and answer TRUE for handled items.
    virtual HRESULT OnMeasureItem(MEASUREITEMSTRUCT* item, LRESULT* result);
    virtual HRESULT OnDrawItem(DRAWITEMSTRUCT* item, LRESULT* result);

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
