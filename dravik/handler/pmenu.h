// The context-menu handler object: one per right-click. Its state is what Initialize reads from
// the selection and what building the menu, drawing the preview and running a command use.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shtypes.h>

#include <optional>
#include <string>
#include <vector>

#include "Dravik_i.h"
#include "handler/selected_file_name.h"
#include "win32/unique_handle.h"

namespace dravik {

// Selection types left by Initialize.
constexpr int kSelectionFolder = 0;
constexpr int kSelectionImage = 1;
constexpr int kSelectionOther = 2;

// The handler's interface tables, in this order: the primary one (IUnknown, IDispatch, IPMenu),
// IShellExtInit, and one for IContextMenu, IContextMenu2 and IContextMenu3. The shell calls an
// object only on the thread that created it, so its reference count is a plain integer. Every COM
// method is defined with the handler's identity and runs its work (the operations further down)
// inside the module's exception boundary.
class CPMenu : public IPMenu, public IShellExtInit, public IContextMenu3 {
public:
    CPMenu();
    CPMenu(const CPMenu&) = delete;
    CPMenu& operator=(const CPMenu&) = delete;

    // The class object's creator: a handler, or an aggregate when an outer unknown is given.
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // IDispatch, answered from the registered type library.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispIds) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // IShellExtInit: takes the shell's selection through ReadSelection.
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folderIdList, IDataObject* dataObject,
                                         HKEY progIdKey) override;

    // IContextMenu
    // Adds the entries of the selection's shape at indexMenu, numbered from idCmdFirst; the value
    // is one more than the identifiers taken. A range up to idCmdLast too small for the shape gets
    // nothing and 0.
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                               UINT flags) override;
    // Runs the command at the verb's offset: publishes the file list and starts the viewer. S_OK
    // for every numeric verb, E_INVALIDARG for a string verb.
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    // No verbs and no help texts: a help request for offset 0 gets an empty text.
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, CHAR* name,
                                               UINT cchMax) override;

    // IContextMenu2 and IContextMenu3: the owner-draw messages of the shown menu.
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT msg, WPARAM wParam, LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE HandleMenuMsg2(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // The class's own operations, after Invoke in the primary table. OnMenuMessage routes
    // WM_MEASUREITEM and WM_DRAWITEM to the two below; any other message answers S_OK untouched.
    virtual HRESULT OnMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Owner-draw of the preview entry. Both always succeed and answer TRUE for handled items.
    virtual HRESULT OnMeasureItem(MEASUREITEMSTRUCT* item, LRESULT* result);
    virtual HRESULT OnDrawItem(DRAWITEMSTRUCT* item, LRESULT* result);
    virtual ~CPMenu();

    // Searches the interface table (IUnknown aside) and adds a reference to what it finds.
    HRESULT QueryTable(REFIID riid, void** ppv);

    // The work of QueryContextMenu, InvokeCommand and GetCommandString, as those describe it.
    HRESULT AddMenuEntries(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags);
    HRESULT RunCommand(CMINVOKECOMMANDINFO* info);
    HRESULT DescribeCommand(UINT_PTR idCmd, UINT type, CHAR* name, UINT cchMax);

    // Takes the shell's selection: settings, the names and folders of the selected items, and
    // the selection type that decides the menu. E_INVALIDARG when no path was delivered.
    HRESULT ReadSelection(PCIDLIST_ABSOLUTE folderIdList, IDataObject* dataObject, HKEY progIdKey);

    // The settings step of Initialize: caption language and viewer folder from the registry.
    void ReadSettings();

    // Asks the image library for the file's kind and, for a known kind, a thumbnail that fits
    // the 150 x 150 box. Always 1; the outcome is in m_previewBitmap and the size fields.
    int LoadPreviewImage(const char* path);
    // Whether a file that no ANSI path names is a picture. The image library takes only ANSI
    // paths, so it cannot be handed the file: with the library there, as a thumbnail needs it, a
    // picture's extension makes it a still picture (m_runType), without thumbnail.
    bool IsPictureByName(const std::wstring& path);
    // The library's kind for the file as a signed 8-bit value; 0 without library or export.
    int GetFileKind(const char* path);

    // The owner-drawn preview entry at position; its identifier, or 0 when none was inserted.
    int InsertPreviewItem(HMENU menu, UINT position, UINT commandId, UINT idCmdLast, UINT flags);

    // Publishes m_fileNames as the shared file list, and m_wideFileList as the wide one beside
    // it. The list field of the viewer's command line (always empty), or nothing when either list
    // could not be published.
    std::optional<std::string> BuildFileListString();
    // Publishes the two texts as one, the ANSI list and the wide one, each into its two shared
    // blocks; false, with nothing written, when a block cannot be created or mapped or the lock of
    // the publishes cannot be had.
    bool fileToMemoryMap(const char* text, const wchar_t* wideText);

    // Starts the viewer under m_mainPath, in its own folder, with the keyword and the two fields on
    // a UTF-16 command line, neither waiting for it nor keeping it. The folder field comes in UTF-16
    // and in its ANSI form, which an ANSI reader of the line gets where the exact one would reach
    // it as a best fit. Above 31 when it started, a WinExec error value otherwise.
    int LaunchViewer(const char* keyword, const std::wstring& folderField, const std::string& ansiFolderField,
                     const char* listField);

private:
    ULONG m_refCount = 0;

public:
    // Handler state, in declaration order.
    int m_language = 0;
    std::vector<std::string> m_fileNames;
    std::string m_choosePath;
    // The viewer's folder, in UTF-16 as the setting holds it: a folder the ANSI code page cannot
    // spell works as well as any.
    std::wstring m_mainPath;
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
    // The exact forms of m_fileNames, m_choosePath and m_curFolder: the paths as the shell gave
    // them, in UTF-16. The ANSI forms above hold short names where the code page cannot spell one.
    // The names are kept as the wide list's text, each followed by "|": one string for any number
    // of names, where a string each would cost an allocation each.
    std::wstring m_wideFileList;
    std::wstring m_wideChoosePath;
    std::wstring m_wideCurFolder;
};

}  // namespace dravik
