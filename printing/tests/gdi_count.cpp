#include "printing/tests/gdi_count.h"

#include "platform/mfc/tests/GdiHandleCount.h"

namespace printtest {

int64_t CountGdiObjects() { return qeltest::CountLiveGdiObjects(); }

}  // namespace printtest
