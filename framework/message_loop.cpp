#include "framework/message_loop.h"

#include <algorithm>

CAppModule g_appModule;

namespace {

template <class T>
BOOL RemoveEntry(std::vector<T*>& list, T* entry) {
    auto found = std::find(list.begin(), list.end(), entry);
    if (found == list.end()) return FALSE;
    list.erase(found);
    return TRUE;
}

constexpr UINT kCaretBlinkTimer = 0x0118;

}  // namespace

BOOL CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
    m_aMsgFilter.push_back(filter);
    return TRUE;
}

BOOL CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
    return RemoveEntry(m_aMsgFilter, filter);
}

BOOL CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
    m_aIdleHandler.push_back(handler);
    return TRUE;
}

BOOL CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
    return RemoveEntry(m_aIdleHandler, handler);
}

bool CMessageLoop::IsIdleMessage(const MSG& msg) {
    switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_PAINT:
        case kCaretBlinkTimer:
            return false;
        default:
            return true;
    }
}

int CMessageLoop::Run() {
    bool doIdle = true;
    int idleCount = 0;
    for (;;) {
        while (doIdle && !::PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) doIdle = false;
        }
        const BOOL got = ::GetMessageW(&m_msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;
        if (!PreTranslateMessage(&m_msg)) {
            ::TranslateMessage(&m_msg);
            ::DispatchMessageW(&m_msg);
        }
        if (IsIdleMessage(m_msg)) {
            doIdle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(m_msg.wParam);
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
    // By index, last first: a filter may remove itself while it runs.
    for (size_t i = m_aMsgFilter.size(); i-- > 0;) {
        if (i >= m_aMsgFilter.size()) continue;
        CMessageFilter* filter = m_aMsgFilter[i];
        if (filter != nullptr && filter->PreTranslateMessage(msg)) return TRUE;
    }
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int /*idleCount*/) {
    for (size_t i = 0; i < m_aIdleHandler.size(); ++i) {
        CIdleHandler* handler = m_aIdleHandler[i];
        if (handler != nullptr) handler->OnIdle();
    }
    return FALSE;
}

CAppModule::CAppModule() { ::InitializeCriticalSection(&m_lock); }

CAppModule::~CAppModule() {
    Term();
    ::DeleteCriticalSection(&m_lock);
}

HRESULT CAppModule::Init(HINSTANCE instance) {
    m_hInst = instance;
    m_dwMainThreadID = ::GetCurrentThreadId();
    ::EnterCriticalSection(&m_lock);
    if (m_pMsgLoopMap == nullptr) m_pMsgLoopMap = std::make_unique<std::map<DWORD, CMessageLoop*>>();
    ::LeaveCriticalSection(&m_lock);
    return S_OK;
}

void CAppModule::Term() {
    ::EnterCriticalSection(&m_lock);
    m_pMsgLoopMap.reset();
    ::LeaveCriticalSection(&m_lock);
}

BOOL CAppModule::AddMessageLoop(CMessageLoop* loop) {
    ::EnterCriticalSection(&m_lock);
    BOOL added = FALSE;
    if (m_pMsgLoopMap != nullptr) {
        added = m_pMsgLoopMap->emplace(::GetCurrentThreadId(), loop).second ? TRUE : FALSE;
    }
    ::LeaveCriticalSection(&m_lock);
    return added;
}

BOOL CAppModule::RemoveMessageLoop() {
    ::EnterCriticalSection(&m_lock);
    BOOL removed = FALSE;
    if (m_pMsgLoopMap != nullptr) {
        removed = m_pMsgLoopMap->erase(::GetCurrentThreadId()) > 0 ? TRUE : FALSE;
    }
    ::LeaveCriticalSection(&m_lock);
    return removed;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const {
    ::EnterCriticalSection(&m_lock);
    CMessageLoop* loop = nullptr;
    if (m_pMsgLoopMap != nullptr) {
        auto found = m_pMsgLoopMap->find(threadId);
        if (found != m_pMsgLoopMap->end()) loop = found->second;
    }
    ::LeaveCriticalSection(&m_lock);
    return loop;
}
