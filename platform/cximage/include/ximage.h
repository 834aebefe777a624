// Picture library for Windows users: the portable CxImage class plus the members that take GDI
// handles, and the platform codecs (WIC, GDI+) installed for every program that includes this.
#pragma once
#include <windows.h>

#include "platform/cximage/include/ximacore.h"

// Installs the platform decoder used by Load, Decode and LoadResource for the formats our portable
// code does not read. Called automatically by including this header; calling it again is harmless.
bool CxImageInstallPlatformCodecs();

namespace cximg_detail {
inline const bool platformCodecsInstalled = CxImageInstallPlatformCodecs();
}
