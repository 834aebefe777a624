// The endurance run shared by the harness and its reduced test: slider steps on all three sliders
// (with and without a selection), drag frames of the selection and reloads by dropped files, with
// the process's GDI objects, USER objects and private memory counted before, between and after.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/AppHost.h"
#include "bench/support/ProcessCounters.h"

namespace benchhost {

struct EnduranceLoad {
    int sliderSteps = 0;
    int dragFrames = 0;
    int reloads = 0;
};

struct EnduranceReport {
    ProcessCounts start, end;
    // The largest values seen at the checkpoints (start and end included).
    ProcessCounts peak;
    double seconds = 0;
};

// Runs the load on a started host; files are dropped in turn for the reloads (the first one is
// dropped before the start is counted). Checkpoint counts are printed to log when it is not null.
EnduranceReport RunEndurance(AppHost& host, const std::vector<std::wstring>& files, const EnduranceLoad& load,
                             std::FILE* log);

// Worksheet photographs of two sizes and formats in a scratch folder (BMP and PNG), for the reloads.
std::vector<std::wstring> WriteEnduranceFiles(const std::wstring& folder, unsigned largeWidth, unsigned largeHeight);

std::wstring ScratchFolder(const wchar_t* name);

}  // namespace benchhost
