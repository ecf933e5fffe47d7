#include "app/app.h"

#include <objbase.h>

#include "frame/main_frame.h"
#include "params/modeless_dialog.h"

CDialogMessageFilter g_dialogFilter;

namespace {

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 700;

}  // namespace

BOOL CDialogMessageFilter::PreTranslateMessage(MSG* msg) {
    for (HWND dialog : g_modelessDialogs) {
        // A dialog can go with its owner before its handle is unlisted.
        if (!::IsWindow(dialog)) continue;
        if (::IsDialogMessageW(dialog, msg)) return TRUE;
    }
    return FALSE;
}

int RunMainFrame(int showCommand) {
    CMessageLoop loop;
    loop.AddMessageFilter(&g_dialogFilter);
    g_appModule.AddMessageLoop(&loop);

    CMainFrame frame;
    const RECT placement{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + kFrameWidth,
                         CW_USEDEFAULT + kFrameHeight};
    int exitCode = 0;
    if (frame.CreateEx(nullptr, &placement) != nullptr) {
        frame.ShowWindow(showCommand);
        exitCode = loop.Run();
    }
    g_appModule.RemoveMessageLoop();
    return exitCode;
}

int RunApplication(HINSTANCE instance, int showCommand) {
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    g_appModule.Init(instance);
    const int exitCode = RunMainFrame(showCommand);
    g_appModule.Term();
    ::CoUninitialize();
    return exitCode;
}
