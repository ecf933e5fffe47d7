// The program's main window: menu, toolbar in a rebar, status bar and the image view,
// with the commands that open, drop and close raw files.
#pragma once

#include "framework/frame.h"
#include "framework/message_loop.h"
#include "framework/update_ui.h"
#include "res/resource.h"
#include "view/pixolve_view.h"

#include <shellapi.h>

// The first name of a drop, cut to what the buffer holds; empty when there is none.
void ReadFirstDroppedName(HDROP drop, wchar_t (&name)[MAX_PATH]);

class CMainFrame : public CFrameWindowImpl<CMainFrame>,
                   public CUpdateUI<CMainFrame>,
                   public CMessageFilter,
                   public CIdleHandler {
public:
    enum { IDR = IDR_MAINFRAME };
    DECLARE_FRAME_WND_CLASS(IDR_MAINFRAME)

    CPixolveView m_view;

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle() override;

    // Opens `path` for reading and shows it; when it cannot be opened nothing changes.
    void OpenRawFile(const wchar_t* path);

    BEGIN_UPDATE_UI_MAP(CMainFrame)
        UPDATE_ELEMENT(ID_VIEW_TOOLBAR, UPDUI_MENUPOPUP)
        UPDATE_ELEMENT(ID_VIEW_STATUS_BAR, UPDUI_MENUPOPUP)
    END_UPDATE_UI_MAP()

    BEGIN_MSG_MAP(CMainFrame)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_DROPFILES, OnDropFiles)
        COMMAND_ID_HANDLER(ID_APP_EXIT, OnFileExit)
        COMMAND_ID_HANDLER(ID_FILE_NEW, OnFileNew)
        COMMAND_ID_HANDLER(ID_FILE_OPEN, OnFileOpen)
        COMMAND_ID_HANDLER(ID_FILE_SAVE, OnNothing)
        COMMAND_ID_HANDLER(ID_FILE_SAVE_AS, OnNothing)
        COMMAND_ID_HANDLER(ID_EDIT_UNDO, OnEditUndo)
        COMMAND_ID_HANDLER(ID_EDIT_COPY, OnNothing)
        COMMAND_ID_HANDLER(ID_EDIT_PASTE, OnNothing)
        COMMAND_ID_HANDLER(ID_VIEW_TOOLBAR, OnViewToolBar)
        COMMAND_ID_HANDLER(ID_VIEW_STATUS_BAR, OnViewStatusBar)
        COMMAND_ID_HANDLER(ID_APP_ABOUT, OnAppAbout)
        CHAIN_MSG_MAP(CUpdateUI<CMainFrame>)
        CHAIN_MSG_MAP(CFrameWindowImpl<CMainFrame>)
    END_MSG_MAP()

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled);
    LRESULT OnDropFiles(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnFileExit(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileNew(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileOpen(WORD, WORD, HWND, BOOL&);
    LRESULT OnNothing(WORD, WORD, HWND, BOOL&);
    LRESULT OnEditUndo(WORD, WORD, HWND, BOOL&);
    LRESULT OnViewToolBar(WORD, WORD, HWND, BOOL&);
    LRESULT OnViewStatusBar(WORD, WORD, HWND, BOOL&);
    LRESULT OnAppAbout(WORD, WORD, HWND, BOOL&);

    void CreateBars();
    void CreateView();

    // Follows the Toolbar command only, not the band's own state.
    bool m_toolBarVisible = true;
};
