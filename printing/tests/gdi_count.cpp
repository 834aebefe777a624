#include "gdi_count.h"

#include "GdiHandleCount.h"

namespace printtest {

int64_t CountGdiObjects() { return qeltest::CountLiveGdiObjects(); }

}  // namespace printtest
