// The program's run: the message loop with its filters, and the main frame it drives.
#pragma once

#include "framework/message_loop.h"

// Gives every live modeless dialog the keyboard interface of a dialog.
class CDialogMessageFilter : public CMessageFilter {
public:
    BOOL PreTranslateMessage(MSG* msg) override;
};

extern CDialogMessageFilter g_dialogFilter;

// Creates, shows and runs the main frame on the calling thread, whose module must be
// initialised. Returns the quit code, or 0 when the frame cannot be created.
int RunMainFrame(int showCommand);

// The process's whole run between its entry and its exit code.
int RunApplication(HINSTANCE instance, int showCommand);
