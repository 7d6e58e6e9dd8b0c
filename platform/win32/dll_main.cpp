// The DLL's load-time routine. Built only into MELP.dll (target melp_platform_dll_main):
// test programs link the backend too and must not get a second entry point.
#if !defined(_WIN32)
#error "dll_main.cpp belongs to the win32 backend"
#endif

#include "platform/platform.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reason;
    (void)reserved;
    // Bitmap loading and the window class need the module; the handle is the same for
    // every notification, so recording it each time is harmless.
    melp::platform::setModuleInstance(reinterpret_cast<melp::platform::Module>(instance));
    return 1;
}
