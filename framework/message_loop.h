// The thread's message loop with its message filters and idle handlers, and the
// application module that finds the loop of the calling thread.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "framework/window.h"

class CMessageFilter {
public:
    // True when the filter took the message; the loop then neither translates nor
    // dispatches it.
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;
    virtual ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    virtual BOOL OnIdle() = 0;
    virtual ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    std::vector<CMessageFilter*> m_aMsgFilter;
    std::vector<CIdleHandler*> m_aIdleHandler;
    MSG m_msg{};

    virtual ~CMessageLoop() = default;

    BOOL AddMessageFilter(CMessageFilter* filter);
    BOOL RemoveMessageFilter(CMessageFilter* filter);
    BOOL AddIdleHandler(CIdleHandler* handler);
    BOOL RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its wParam.
    int Run();

    // Filters from the last registered to the first; the first that takes the message wins.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Every idle handler once, first registered first.
    virtual BOOL OnIdle(int idleCount);

    // Whether a message re-arms idle processing: mouse moves, paints and the caret-blink
    // timer do not.
    static bool IsIdleMessage(const MSG& msg);
};

class CAppModule {
public:
    CAppModule();
    ~CAppModule();
    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;

    HRESULT Init(HINSTANCE instance);
    void Term();

    BOOL AddMessageLoop(CMessageLoop* loop);
    BOOL RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

    DWORD m_dwMainThreadID = 0;
    HINSTANCE m_hInst = nullptr;

private:
    mutable CRITICAL_SECTION m_lock;
    std::unique_ptr<std::map<DWORD, CMessageLoop*>> m_pMsgLoopMap;
};

extern CAppModule g_appModule;
