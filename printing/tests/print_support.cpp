#include "printing/tests/print_support.h"

#include <winspool.h>

#include "testsupport/Bitmap32.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef QEL_PRINT_TEST_DATA
#error "QEL_PRINT_TEST_DATA must name the folder of the test PPD"
#endif

namespace printtest {

// ---- dialogs --------------------------------------------------------------------------------------

namespace {

thread_local DialogAnswerer* t_answerer = nullptr;

// Control ids of the system dialogs.
constexpr int kPrintToFileBox = 0x410;  // chx1
constexpr int kCollateBox = 0x411;      // chx2
constexpr int kSelectionRadio = 0x421;  // rad2
constexpr int kPagesRadio = 0x422;      // rad3
constexpr int kPrinterCombo = 0x473;    // cmb4
constexpr int kCopiesEdit = 0x482;      // edt3
constexpr int kFileNameEdit = 0x480;    // edt1
constexpr int kFileNameCombo = 0x47C;   // cmb13
constexpr int kFileTypeCombo = 0x470;   // cmb1

std::wstring WindowText(HWND h) {
    if (!h) return {};
    wchar_t buf[1024] = {};
    GetWindowTextW(h, buf, 1024);
    return buf;
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[64] = {};
    GetClassNameW(h, buf, 64);
    return buf;
}

// The file name box of the explorer dialog: an edit, or a combo box with an edit inside.
HWND FileNameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, kFileNameCombo);
    if (!box) box = GetDlgItem(dialog, kFileNameEdit);
    return box;
}

}  // namespace

DialogAnswerer::DialogAnswerer() {
    t_answerer = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (t_answerer == this) t_answerer = nullptr;
}

LRESULT CALLBACK DialogAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_answerer) {
        HWND h = reinterpret_cast<HWND>(wParam);
        if (ClassOf(h) == L"#32770" &&
            std::find(t_answerer->handled_.begin(), t_answerer->handled_.end(), h) == t_answerer->handled_.end()) {
            t_answerer->handled_.push_back(h);
            // Some dialogs fill their controls after they are activated: answer from the dialog's
            // own message loop a moment later, as a user would.
            t_answerer->pending_.push_back(h);
            SetTimer(nullptr, 0, 30, Tick);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogAnswerer::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!t_answerer) return;
    std::vector<HWND> due;
    due.swap(t_answerer->pending_);
    for (HWND h : due)
        if (IsWindow(h)) t_answerer->Answer(h);
}

void DialogAnswerer::Answer(HWND dialog) {
    SeenDialog seenNow;
    seenNow.title = WindowText(dialog);
    HWND combo = GetDlgItem(dialog, kPrinterCombo);
    HWND toFile = GetDlgItem(dialog, kPrintToFileBox);
    if (combo && toFile) {
        seenNow.isPrintDialog = true;
        seenNow.printerShown = WindowText(combo);
        HWND pages = GetDlgItem(dialog, kPagesRadio);
        HWND selection = GetDlgItem(dialog, kSelectionRadio);
        seenNow.pageRangeEnabled = pages && IsWindowEnabled(pages);
        seenNow.selectionEnabled = selection && IsWindowEnabled(selection);
        seenNow.selectionChecked = selection && IsDlgButtonChecked(dialog, kSelectionRadio) == BST_CHECKED;
        seenNow.copiesText = WindowText(GetDlgItem(dialog, kCopiesEdit));
        seenNow.collateChecked = IsDlgButtonChecked(dialog, kCollateBox) == BST_CHECKED;
        seenNow.printToFileChecked = IsDlgButtonChecked(dialog, kPrintToFileBox) == BST_CHECKED;
        seen.push_back(seenNow);
        if (printAnswers.empty()) {
            ++unexpected;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        PrintAnswer a = printAnswers.front();
        printAnswers.pop_front();
        if (!a.choosePrinter.empty()) {
            LRESULT i = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(a.choosePrinter.c_str()));
            if (i != CB_ERR) {
                SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kPrinterCombo, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(combo));
            } else {
                ++unexpected;
            }
        }
        if (a.printToFile) SendMessageW(toFile, BM_SETCHECK, BST_CHECKED, 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(a.ok ? IDOK : IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, a.ok ? IDOK : IDCANCEL)));
        return;
    }
    HWND nameBox = FileNameBox(dialog);
    if (nameBox) {
        seenNow.fileNameShown = WindowText(nameBox);
        HWND types = GetDlgItem(dialog, kFileTypeCombo);
        int count = types ? static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0)) : 0;
        for (int i = 0; i < count; ++i) {
            wchar_t item[512] = {};
            if (SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 511) SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            seenNow.filterItems.push_back(item);
        }
        seen.push_back(seenNow);
        if (fileAnswers.empty()) {
            ++unexpected;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        FileAnswer a = fileAnswers.front();
        fileAnswers.pop_front();
        if (a.ok) SetWindowTextW(nameBox, a.path.c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(a.ok ? IDOK : IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, a.ok ? IDOK : IDCANCEL)));
        return;
    }
    // Anything else (a message box): cancelled, and counted.
    seen.push_back(seenNow);
    ++unexpected;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// ---- host tools -----------------------------------------------------------------------------------

namespace {

// The scratch folder with everything in it goes when the test process ends.
struct Scratch {
    ~Scratch() {
        if (folder.empty()) return;
        std::wstring dir = WinPath(folder);
        WIN32_FIND_DATAW fd;
        HANDLE f = FindFirstFileW((dir + L"\\*").c_str(), &fd);
        if (f != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
            } while (FindNextFileW(f, &fd));
            FindClose(f);
        }
        // The save dialog of a print-to-file test may have made the folder the current directory.
        SetCurrentDirectoryW(L"C:\\");
        RemoveDirectoryW(dir.c_str());
    }
    std::string folder;
};
Scratch g_scratch;

}  // namespace

std::string HostScratch() {
    if (g_scratch.folder.empty()) {
        g_scratch.folder =
            "/tmp/qel-print-tests-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
        CreateDirectoryW(WinPath(g_scratch.folder).c_str(), nullptr);
    }
    return g_scratch.folder;
}

std::string ReadHostFile(const std::string& unixPath) { return qeltest::ReadBytes(WinPath(unixPath)); }

bool HostFileExists(const std::string& unixPath) { return qeltest::FileExists(WinPath(unixPath)); }

// ---- pages ----------------------------------------------------------------------------------------

COLORREF Page::At(int x, int y) const {
    size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return RGB(rgb[i], rgb[i + 1], rgb[i + 2]);
}

bool Page::Near(int x, int y, COLORREF c, int tolerance) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    COLORREF p = At(x, y);
    return std::abs(GetRValue(p) - GetRValue(c)) <= tolerance && std::abs(GetGValue(p) - GetGValue(c)) <= tolerance &&
           std::abs(GetBValue(p) - GetBValue(c)) <= tolerance;
}

Page ReadPpm(const std::string& unixPath) {
    Page page;
    std::string data = ReadHostFile(unixPath);
    size_t pos = 0;
    auto token = [&]() -> std::string {
        while (pos < data.size()) {
            if (data[pos] == '#') {
                while (pos < data.size() && data[pos] != '\n') ++pos;
            } else if (isspace(static_cast<unsigned char>(data[pos]))) {
                ++pos;
            } else {
                break;
            }
        }
        size_t start = pos;
        while (pos < data.size() && !isspace(static_cast<unsigned char>(data[pos]))) ++pos;
        return data.substr(start, pos - start);
    };
    if (token() != "P6") return page;
    int w = std::atoi(token().c_str());
    int h = std::atoi(token().c_str());
    int maxval = std::atoi(token().c_str());
    ++pos;  // the single white space before the samples
    if (w <= 0 || h <= 0 || maxval != 255 || data.size() < pos + static_cast<size_t>(w) * h * 3) return page;
    page.width = w;
    page.height = h;
    page.rgb.assign(data.begin() + pos, data.begin() + pos + static_cast<size_t>(w) * h * 3);
    return page;
}

Page RenderPdf(const std::string& pdf, int dpi) {
    static int n = 0;
    std::string out = HostScratch() + "/pdfpage" + std::to_string(++n);
    if (RunHost("pdftoppm -r " + std::to_string(dpi) + " -f 1 -l 1 -singlefile '" + pdf + "' " + out) != 0) return {};
    return ReadPpm(out + ".ppm");
}

Page RenderPostScript(const std::string& ps, int dpi) {
    static int n = 0;
    std::string out = HostScratch() + "/pspage" + std::to_string(++n) + ".ppm";
    if (RunHost("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r" + std::to_string(dpi) +
                " -dFirstPage=1 -dLastPage=1 -sOutputFile=" + out + " '" + ps + "'") != 0)
        return {};
    return ReadPpm(out);
}

int PdfPageCount(const std::string& pdf, double* widthPt, double* heightPt) {
    std::string info;
    if (RunHost("pdfinfo '" + pdf + "'", &info) != 0) return 0;
    int pages = 0;
    size_t p = info.find("Pages:");
    if (p != std::string::npos) pages = std::atoi(info.c_str() + p + 6);
    p = info.find("Page size:");
    if (p != std::string::npos) {
        double w = 0, h = 0;
        if (std::sscanf(info.c_str() + p + 10, " %lf x %lf", &w, &h) == 2) {
            if (widthPt) *widthPt = w;
            if (heightPt) *heightPt = h;
        }
    }
    return pages;
}

// ---- spooler --------------------------------------------------------------------------------------

std::string PdfFolder() {
    const char* dir = std::getenv("QEL_PRINT_PDF_DIR");
    return dir ? dir : "";
}

std::vector<std::string> ListPdfs() {
    std::vector<std::string> names;
    std::string folder = PdfFolder();
    if (folder.empty()) return names;
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((WinPath(folder) + L"\\*.pdf").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name;
        for (const wchar_t* c = fd.cFileName; *c; ++c) name.push_back(static_cast<char>(*c));
        names.push_back(name);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return names;
}

void WaitForIdleQueue(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    std::string out;
    while (GetTickCount() - start < timeoutMs) {
        if (RunHost("lpstat -o", &out) == 0 && out.find_first_not_of(" \r\n\t") == std::string::npos) return;
        Sleep(50);
    }
}

std::string WaitForNewPdf(const std::vector<std::string>& before, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (const std::string& name : ListPdfs()) {
            if (std::find(before.begin(), before.end(), name) != before.end()) continue;
            WaitForIdleQueue(timeoutMs);
            return PdfFolder() + "/" + name;
        }
        Sleep(50);
    }
    return {};
}

int CupsJobCount() {
    std::string out;
    if (RunHost("lpstat -W all -o PDF | wc -l", &out) != 0) return -1;
    return std::atoi(out.c_str());
}

std::wstring DefaultPrinterName() {
    wchar_t name[512] = {};
    DWORD size = 512;
    if (!GetDefaultPrinterW(name, &size)) return {};
    return name;
}

// ---- the PostScript printer with margins ---------------------------------------------------------

namespace {

const wchar_t* const kDriverName = L"PhotoPrint Margins Test Printer";
const wchar_t* const kPpdName = L"qel-margins.ppd";

bool InstallDriver() {
    wchar_t dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir), &needed))
        return false;
    std::wstring target = std::wstring(dir) + L"\\" + kPpdName;
    std::wstring source = std::wstring(QEL_PRINT_TEST_DATA) + L"\\" + kPpdName;
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) return false;
    DRIVER_INFO_3W di{};
    di.cVersion = 3;
    di.pName = const_cast<wchar_t*>(kDriverName);
    di.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    di.pDataFile = &target[0];
    di.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    return AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&di), APD_COPY_NEW_FILES) != FALSE;
}

void SetPortCommand(const std::wstring& port, const std::wstring* command) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Printing\\Spooler", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (command)
        RegSetValueExW(key, port.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command->c_str()),
                       static_cast<DWORD>((command->size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(key, port.c_str());
    RegCloseKey(key);
}

}  // namespace

MarginPrinter::MarginPrinter(const wchar_t* name, const wchar_t* port) : name_(name), port_(port) {
    if (!InstallDriver()) return;
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = &name_[0];
    pi.pPortName = &port_[0];
    pi.pDriverName = const_cast<wchar_t*>(kDriverName);
    pi.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    pi.pDatatype = const_cast<wchar_t*>(L"RAW");
    pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&pi));
    if (h) ClosePrinter(h);
    else if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) return;
    NewOutput("unused");
    HDC dc = CreateDCW(L"WINSPOOL", name_.c_str(), nullptr, nullptr);
    ready_ = dc != nullptr;
    if (dc) DeleteDC(dc);
}

MarginPrinter::~MarginPrinter() { Remove(); }

std::string MarginPrinter::NewOutput(const std::string& baseName) {
    std::string path = HostScratch() + "/" + baseName + ".ps";
    DeleteFileW(WinPath(path).c_str());
    std::wstring command = L"|cat > " + std::wstring(path.begin(), path.end());
    SetPortCommand(port_, &command);
    return path;
}

bool MarginPrinter::Remove() {
    if (name_.empty()) return false;
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    bool removed = false;
    if (OpenPrinterW(&name_[0], &h, &defaults)) {
        removed = DeletePrinter(h) != FALSE;
        ClosePrinter(h);
    }
    SetPortCommand(port_, nullptr);
    name_.clear();
    ready_ = false;
    return removed;
}

// ---- pictures -------------------------------------------------------------------------------------

HBITMAP MakeQuadrantBitmap(int w, int h) {
    return qeltest::CreateBitmap32(w, h, nullptr, qeltest::Rows::TopDown, [&](int x, int y) -> uint32_t {
        const bool right = x >= w / 2, bottom = y >= h / 2;
        return !bottom ? (!right ? 0xFF0000 : 0x00FF00) : (!right ? 0x0000FF : 0xFFFF00);
    });
}

}  // namespace printtest

