// Endurance of the real program under Wine (hosted in this process): 10,000 slider steps, 1,000
// drag frames of the selection and 200 reloads by dropped files, on worksheet photographs of
// 1600 x 1200 (BMP) and 1200 x 900 (PNG). GDI objects, USER objects and private memory are counted
// at the start (after one warm-up pass over every path), between the phases and at the end; the
// exit code is 1 when an end count exceeds its start by more than the bound printed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench/support/Endurance.h"

using namespace benchhost;

// An optional argument divides the load (for a quick look): app_endurance_bench 10
int main(int argc, char** argv) {
    const int divisor = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const std::wstring folder = ScratchFolder(L"photoprint_endurance");
    const std::vector<std::wstring> files = WriteEnduranceFiles(folder, 1600, 1200);
    if (files.size() != 2) {
        std::printf("cannot write the photographs\n");
        return 1;
    }
    AppHost host;
    if (!host.Start()) {
        std::printf("the program did not start\n");
        return 1;
    }
    EnduranceLoad load;
    load.sliderSteps = 10000 / divisor;
    load.dragFrames = 1000 / divisor;
    load.reloads = 200 / divisor / 2 * 2;
    std::printf("endurance: %d slider steps, %d drag frames, %d reloads\n", load.sliderSteps, load.dragFrames,
                load.reloads);
    const EnduranceReport r = RunEndurance(host, files, load, stdout);
    host.Stop();
    for (const std::wstring& f : files) DeleteFileW(f.c_str());
    RemoveDirectoryW(folder.c_str());

    // Bounds: the same objects at the end as at the start; memory within what the heap and the
    // object pool may keep in reserve (a few MB), far below one picture (7.7 MB).
    const long long kGdiBound = 0, kUserBound = 0, kPrivateBound = 4ll << 20;
    const long long dGdi = r.end.gdiObjects - r.start.gdiObjects;
    const long long dUser = r.end.userObjects - r.start.userObjects;
    const long long dPrivate = r.end.privateBytes - r.start.privateBytes;
    std::printf("end - start: gdi %+lld (bound %lld), user %+lld (bound %lld), private %+.2f MB (bound %.0f MB); "
                "peak private %.1f MB; %.1f s\n",
                dGdi, kGdiBound, dUser, kUserBound, dPrivate / 1048576.0, kPrivateBound / 1048576.0,
                r.peak.privateBytes / 1048576.0, r.seconds);
    const bool flat = dGdi <= kGdiBound && dUser <= kUserBound && dPrivate <= kPrivateBound;
    std::printf("%s\n", flat ? "flat" : "GROWTH beyond the bounds");
    return flat ? 0 : 1;
}
