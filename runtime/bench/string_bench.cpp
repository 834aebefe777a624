// Timed comparison of the runtime strings with std::wstring / swprintf doing the same work. Prints
// nanoseconds per operation and the ratio (runtime / standard library; below 1 means faster).
// Run it with `cmake --build <build dir> --target run_runtime_string_bench`.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "runtime/QelString.h"

namespace {

volatile int64_t g_sink;  // keeps results alive

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Best of several runs, in nanoseconds per operation.
template <class Work>
double Measure(Work work, int operations) {
    double best = 1e300;
    for (int run = 0; run < 7; ++run) {
        const double start = Now();
        work();
        const double elapsed = Now() - start;
        if (elapsed < best) best = elapsed;
    }
    return best * 1e9 / operations;
}

const wchar_t* const kPieces[4] = {L"abc", L"图像宽度:", L"0123456789", L"\\已修改_"};

void Report(const char* name, double ours, double standard) {
    std::printf("%-44s runtime %8.1f ns   std %8.1f ns   ratio %5.2f\n", name, ours, standard, ours / standard);
}

}  // namespace

int main() {
    std::printf("String benchmark (best of 7 runs)\n");

    {  // Short strings: 8 appends each, a new string every time.
        const int strings = 200000;
        const double ours = Measure(
            [&] {
                for (int i = 0; i < strings; ++i) {
                    CWString s;
                    for (int k = 0; k < 8; ++k) s.Append(kPieces[k & 3]);
                    g_sink = g_sink + s.GetLength();
                }
            },
            strings * 8);
        const double standard = Measure(
            [&] {
                for (int i = 0; i < strings; ++i) {
                    std::wstring s;
                    for (int k = 0; k < 8; ++k) s.append(kPieces[k & 3]);
                    g_sink = g_sink + static_cast<int64_t>(s.size());
                }
            },
            strings * 8);
        Report("Append, 8 pieces into a new string", ours, standard);
    }

    {  // One long string: 100000 appends.
        const int appends = 100000;
        const double ours = Measure(
            [&] {
                CWString s;
                for (int k = 0; k < appends; ++k) s.Append(kPieces[k & 3]);
                g_sink = g_sink + s.GetLength();
            },
            appends);
        const double standard = Measure(
            [&] {
                std::wstring s;
                for (int k = 0; k < appends; ++k) s.append(kPieces[k & 3]);
                g_sink = g_sink + static_cast<int64_t>(s.size());
            },
            appends);
        Report("Append, 100000 pieces into one string", ours, standard);
    }

    {  // Concatenation of a folder, a constant and a name (the saved file's name).
        const int joins = 200000;
        CWString folder;
        folder.Append(L"C:\\Users\\someone\\Pictures\\worksheets");
        CWString name;
        name.Append(L"photo_0001");
        const CWConstString prefix(L"\\已修改_");
        const std::wstring sFolder = folder.GetText(), sName = name.GetText(), sPrefix = prefix.GetText();
        const double ours = Measure(
            [&] {
                for (int i = 0; i < joins; ++i) {
                    CWString path = folder + prefix + name + L".png";
                    g_sink = g_sink + path.GetLength();
                }
            },
            joins);
        const double standard = Measure(
            [&] {
                for (int i = 0; i < joins; ++i) {
                    std::wstring path = sFolder + sPrefix + sName + L".png";
                    g_sink = g_sink + static_cast<int64_t>(path.size());
                }
            },
            joins);
        Report("Concat, folder + prefix + name + extension", ours, standard);
    }

    {  // Formatting a number, a text and a 64-bit hexadecimal value.
        const int formats = 100000;
        const double ours = Measure(
            [&] {
                CWString s;
                for (int i = 0; i < formats; ++i) {
                    s.Format(L"%d: %s 0x%I64X", i, L"图像高度", static_cast<unsigned long long>(i) * 0x10001ULL);
                    g_sink = g_sink + s.GetLength();
                }
            },
            formats);
        const double standard = Measure(
            [&] {
                std::wstring s;
                wchar_t buffer[128];
                for (int i = 0; i < formats; ++i) {
                    const int n = std::swprintf(buffer, 128, L"%d: %ls 0x%llX", i, L"图像高度",
                                                static_cast<unsigned long long>(i) * 0x10001ULL);
                    s.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
                    g_sink = g_sink + static_cast<int64_t>(s.size());
                }
            },
            formats);
        Report("Format vs std::swprintf (mingw's printf)", ours, standard);
        // The same engine on both sides: msvcrt's _snwprintf into a local buffer, then a std::wstring.
        const double sameEngine = Measure(
            [&] {
                std::wstring s;
                wchar_t buffer[128];
                for (int i = 0; i < formats; ++i) {
                    const int n = _snwprintf(buffer, 128, L"%d: %s 0x%I64X", i, L"图像高度",
                                             static_cast<unsigned long long>(i) * 0x10001ULL);
                    s.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
                    g_sink = g_sink + static_cast<int64_t>(s.size());
                }
            },
            formats);
        Report("Format vs msvcrt _snwprintf + std::wstring", ours, sameEngine);
    }
    return 0;
}
