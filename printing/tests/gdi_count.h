// Counting the live GDI objects of the test process, for handle-leak checks.
#pragma once
#include <cstdint>

namespace printtest {

// GetGuiResources where the system keeps the count, else the live entries of the process's GDI handle
// table (Wine). -1 when neither can be read.
int64_t CountGdiObjects();

}  // namespace printtest
