#include "ui/QelCommonDialog.h"

#include <commdlg.h>

#include <cwchar>

#include "runtime/RuntimeUtil.h"

namespace rg_Zarno_MFCJieMian_JiBen {

namespace {

// Room for the chosen path: far beyond MAX_PATH, so long paths are neither cut nor refused.
constexpr int64_t kFileBufferUnits = 32768;

QelHelpMarkHook helpMarkHook = nullptr;

void MarkHelpUsed(HWND window, int used) {
    if (helpMarkHook) helpMarkHook(window, used);
}

const wchar_t* TextOrNull(const CWString& text) { return text.GetLength() != 0 ? text.GetText() : nullptr; }

// The screen's vertical resolution conversions with the result bounded to the int range.
int32_t ToInt32(double value) {
    if (!(value >= 0)) return 0;
    if (value >= 2147483647.0) return 2147483647;
    return static_cast<int32_t>(value);
}

// A help file name is absolute when it starts with a backslash or with a drive ("X:\").
bool IsAbsoluteHelpPath(const wchar_t* path) {
    if (path[0] == L'\\') return true;
    const wchar_t c = path[0];
    const bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    return letter && path[1] == L':' && path[2] == L'\\';
}

}  // namespace

// ---- shared file dialog ----------------------------------------------------------------------------

void ConvertDialogFilter(const wchar_t* filter, CQelMem& list) {
    list.SetSize(0);
    if (!filter || !filter[0]) return;
    const size_t length = std::wcslen(filter);
    wchar_t* units = reinterpret_cast<wchar_t*>(list.SetSize(static_cast<int64_t>((length + 1) * sizeof(wchar_t))));
    for (size_t i = 0; i < length; ++i) units[i] = filter[i] == L'|' ? L'\0' : filter[i];
    // The list ends with an empty text; the extra zero keeps a filter without its closing "||"
    // from running past the end.
    units[length] = L'\0';
}

int ShowFileDialog(const QelFileDialogRequest& request, CWString& chosenPath) {
    CQelMem filterList;
    ConvertDialogFilter(request.filter, filterList);

    const size_t initialLength = request.fileName ? std::wcslen(request.fileName) : 0;
    const int64_t units = kFileBufferUnits > static_cast<int64_t>(initialLength) + 1
                              ? kFileBufferUnits
                              : static_cast<int64_t>(initialLength) + 1;
    CQelMem fileBuffer;
    wchar_t* file = reinterpret_cast<wchar_t*>(fileBuffer.SetSize(units * static_cast<int64_t>(sizeof(wchar_t))));
    if (initialLength) std::wmemcpy(file, request.fileName, initialLength);
    file[initialLength] = L'\0';

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = filterList.size ? reinterpret_cast<const wchar_t*>(filterList.data) : nullptr;
    ofn.nFilterIndex = filterList.size ? request.filterIndex : 0;
    ofn.lpstrFile = file;
    ofn.nMaxFile = static_cast<DWORD>(units);
    ofn.lpstrInitialDir = request.initialDirectory && request.initialDirectory[0] ? request.initialDirectory : nullptr;
    ofn.lpstrTitle = request.title && request.title[0] ? request.title : nullptr;
    ofn.lpstrDefExt = request.defaultExtension && request.defaultExtension[0] ? request.defaultExtension : nullptr;
    ofn.Flags = request.flags | OFN_EXPLORER;

    const BOOL confirmed = request.openDialog ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!confirmed) return 0;
    file[units - 1] = L'\0';
    chosenPath.SetEmpty();
    chosenPath.Append(file);
    return 1;
}

QelHelpMarkHook SetHelpMarkHook(QelHelpMarkHook hook) {
    QelHelpMarkHook previous = helpMarkHook;
    helpMarkHook = hook;
    return previous;
}

// ---- common dialog object --------------------------------------------------------------------------

bool rg_TongYongDuiHuaKuang::EqualFields(const rg_TongYongDuiHuaKuang& o) const {
    return CQelObject::EqualFields(o) && dialogKind == o.dialogKind && title.IsTextEqual(o.title) &&
           fileName.IsTextEqual(o.fileName) && filter.IsTextEqual(o.filter) && filterIndex == o.filterIndex &&
           initialDirectory.IsTextEqual(o.initialDirectory) && defaultExtension.IsTextEqual(o.defaultExtension) &&
           createPrompt == o.createPrompt && fileMustExist == o.fileMustExist && overwritePrompt == o.overwritePrompt &&
           pathMustExist == o.pathMustExist && keepCurrentDirectory == o.keepCurrentDirectory &&
           fontColor == o.fontColor && bold == o.bold && italic == o.italic && strikeout == o.strikeout &&
           underline == o.underline && fontName.IsTextEqual(o.fontName) && fontSize == o.fontSize &&
           helpFile.IsTextEqual(o.helpFile) && helpCommand == o.helpCommand && helpContext == o.helpContext;
}

void rg_TongYongDuiHuaKuang::ResetFields() {
    CQelObject::ResetFields();
    dialogKind = kOpenFile;
    title.Reset();
    fileName.Reset();
    filter.Reset();
    filterIndex = 0;
    initialDirectory.Reset();
    defaultExtension.Reset();
    createPrompt = fileMustExist = overwritePrompt = pathMustExist = keepCurrentDirectory = 0;
    fontColor = 0;
    bold = italic = strikeout = underline = 0;
    fontName.Reset();
    fontSize = 0;
    helpFile.Reset();
    helpCommand = 0;
    helpContext = 0;
}

int rg_TongYongDuiHuaKuang::ShowDialog(HWND parent) {
    if (dialogKind < 0 || dialogKind == kOpenFile || dialogKind == kSaveFile) return ShowFile(parent);
    if (dialogKind == kFont) return ShowFont(parent);
    if (dialogKind == kHelp) return ShowHelp(parent);
    return 0;
}

int rg_TongYongDuiHuaKuang::ShowFile(HWND parent) {
    QelFileDialogRequest request;
    request.openDialog = dialogKind == kOpenFile;
    request.flags = OFN_HIDEREADONLY;
    if (createPrompt) request.flags |= OFN_CREATEPROMPT;
    if (fileMustExist) request.flags |= OFN_FILEMUSTEXIST;
    if (overwritePrompt) request.flags |= OFN_OVERWRITEPROMPT;
    if (pathMustExist) request.flags |= OFN_PATHMUSTEXIST;
    if (keepCurrentDirectory) request.flags |= OFN_NOCHANGEDIR;

    // Trailing blanks and line breaks go; the list is closed with "||" unless it already is.
    CWString list(filter);
    list.TrimRight();
    const int64_t length = list.GetLength();
    if (length != 0) {
        const wchar_t* text = list.GetText();
        if (length < 2 || text[length - 1] != L'|' || text[length - 2] != L'|') list.Append(L"||");
        request.filter = list.GetText();
        request.filterIndex = static_cast<DWORD>(filterIndex < 0 ? 0 : filterIndex) + 1;
    }
    request.defaultExtension = TextOrNull(defaultExtension);
    request.fileName = fileName.GetText();
    request.owner = parent;
    request.title = TextOrNull(title);
    request.initialDirectory = TextOrNull(initialDirectory);

    CWString chosen;
    if (!ShowFileDialog(request, chosen)) return 0;
    fileName.SetEmpty();
    fileName.Append(chosen.GetText());
    return 1;
}

int rg_TongYongDuiHuaKuang::ShowFont(HWND parent) {
    LOGFONTW font = {};
    font.lfWeight = bold ? FW_BOLD : 0;
    font.lfItalic = italic ? 1 : 0;
    font.lfUnderline = underline ? 1 : 0;
    font.lfStrikeOut = strikeout ? 1 : 0;
    std::wcsncpy(font.lfFaceName, fontName.GetText(), LF_FACESIZE - 1);
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    if (fontSize != 0) font.lfHeight = -ToInt32(PointsToPixels(static_cast<double>(fontSize)) + 0.5);

    CHOOSEFONTW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = parent;
    choose.hDC = nullptr;
    choose.lpLogFont = &font;
    // The settings are the initial font, so the dialog starts from the LOGFONTW.
    choose.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    choose.rgbColors = fontColor;
    if (!ChooseFontW(&choose)) return 0;

    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    fontColor = choose.rgbColors;
    bold = font.lfWeight >= FW_BOLD ? 1 : 0;
    italic = font.lfItalic ? 1 : 0;
    strikeout = font.lfStrikeOut ? 1 : 0;
    underline = font.lfUnderline ? 1 : 0;
    fontName.SetEmpty();
    fontName.Append(font.lfFaceName);
    fontSize = ToInt32(PixelsToPoints(static_cast<double>(font.lfHeight)) + 0.5);
    return 1;
}

int rg_TongYongDuiHuaKuang::ShowHelp(HWND parent) {
    if (!parent || !IsWindow(parent)) return 0;
    if (helpCommand == kHelpOnHelp) {
        const BOOL ok = WinHelpW(parent, nullptr, HELP_HELPONHELP, 0);
        MarkHelpUsed(parent, 1);
        return ok ? 1 : 0;
    }
    if (helpCommand == kHelpQuit) {
        const BOOL ok = WinHelpW(parent, nullptr, HELP_QUIT, 0);
        MarkHelpUsed(parent, 0);
        return ok ? 1 : 0;
    }

    if (helpFile.GetLength() == 0) return 0;
    const wchar_t* path = helpFile.GetText();
    CWString folder;
    CQelMem scratch;
    if (!IsAbsoluteHelpPath(path)) {
        if (!GetModuleDirectory(GetCodeModule(), folder)) return 0;
        path = CombinePath(folder.GetText(), path, scratch);
    }
    if (!FileExists(path)) return 0;

    UINT command;
    ULONG_PTR data = 0;
    switch (helpCommand) {
    case kHelpContents:
        command = HELP_FINDER;
        break;
    case kHelpContext:
    case kHelpPopup:
        command = helpContext == 0 ? HELP_FINDER : (helpCommand == kHelpContext ? HELP_CONTEXT : HELP_CONTEXTPOPUP);
        data = static_cast<ULONG_PTR>(static_cast<uint32_t>(helpContext));
        break;
    case kHelpForceFile:
        command = HELP_FORCEFILE;
        break;
    default:
        return 1;  // an unknown command asks for nothing
    }
    const BOOL ok = WinHelpW(parent, path, command, data);
    MarkHelpUsed(parent, 1);
    return ok ? 1 : 0;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
