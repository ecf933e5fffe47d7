// Shared pieces of the main-frame and application tests: a frame running on a registered
// message loop, files to open, keystrokes through the loop's filter chain, and a helper
// thread that answers the modal windows a command opens.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "frame/main_frame.h"
#include "params/modeless_dialog.h"

namespace frame_test {

inline void InitControls() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
}

// A plain visible top-level window to parent controls and dialogs under test.
inline HWND MakeHostWindow() {
    return ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                             200, nullptr, nullptr, nullptr, nullptr);
}

inline RECT FrameRect(int width, int height) {
    return RECT{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + width, CW_USEDEFAULT + height};
}

// A folder of its own under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, base);
        m_path = std::wstring(base) + L"pixolve-frame-" + std::to_wstring(::GetCurrentProcessId()) +
                 L"-" + std::to_wstring(s_counter++);
        ::CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::wstring& file : m_files) ::DeleteFileW(file.c_str());
        for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) ::RemoveDirectoryW(it->c_str());
        ::RemoveDirectoryW(m_path.c_str());
    }
    const std::wstring& Path() const { return m_path; }

    // A file of `size` bytes counting upwards from `seed`.
    std::wstring MakeFile(const std::wstring& name, size_t size, unsigned char seed = 0) {
        const std::wstring path = m_path + L"\\" + name;
        std::vector<unsigned char> bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(seed + i);
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (!bytes.empty()) ::WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
        ::CloseHandle(file);
        m_files.push_back(path);
        return path;
    }
    std::wstring MakeFolder(const std::wstring& name) {
        const std::wstring path = m_path + L"\\" + name;
        ::CreateDirectoryW(path.c_str(), nullptr);
        m_folders.push_back(path);
        return path;
    }

private:
    static inline int s_counter = 0;
    std::wstring m_path;
    std::vector<std::wstring> m_files;
    std::vector<std::wstring> m_folders;
};

// Whether some handle still holds the file: the document opens it sharing only reading,
// so an open for writing fails while the document lives.
inline bool IsHeldOpen(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
    ::CloseHandle(file);
    return false;
}

// The live modeless dialogs, which here are the Parameters dialog or nothing.
inline std::vector<HWND> LiveModelessDialogs() {
    std::vector<HWND> live;
    for (HWND dialog : g_modelessDialogs) {
        if (::IsWindow(dialog)) live.push_back(dialog);
    }
    return live;
}

inline std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

inline RECT ChildRectInParent(HWND child) {
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Offers every queued message to the loop's filters, last registered first, and
// dispatches what none of them takes: one turn of the real loop without waiting.
inline int PumpThroughLoop(CMessageLoop& loop) {
    int quitCode = -1;
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        if (!loop.PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return quitCode;
}

enum Modifier : unsigned { kNone = 0, kCtrl = 1, kShift = 2, kAlt = 4 };

// Posts a key press for `target` with the modifiers held (as the thread's key state) and
// runs it through the loop's filters.
inline void PressKey(CMessageLoop& loop, HWND target, UINT key, unsigned modifiers) {
    BYTE state[256] = {};
    if (modifiers & kCtrl) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    if (modifiers & kShift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if (modifiers & kAlt) state[VK_MENU] = state[VK_LMENU] = 0x80;
    ::SetKeyboardState(state);
    const bool alt = (modifiers & kAlt) != 0;
    const LPARAM lParam = 1 | (alt ? (1 << 29) : 0);
    ::PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, lParam);
    PumpThroughLoop(loop);
    BYTE released[256] = {};
    ::SetKeyboardState(released);
}

// Records the WM_COMMAND messages sent to one window while it lives.
class CommandLog {
public:
    explicit CommandLog(HWND window) {
        s_window = window;
        s_log = &m_commands;
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, Record, nullptr, ::GetCurrentThreadId());
    }
    ~CommandLog() {
        ::UnhookWindowsHookEx(m_hook);
        s_log = nullptr;
    }
    // Command ids with their source code (0 menu, 1 accelerator).
    std::vector<std::pair<WORD, WORD>> m_commands;

private:
    static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && s_log != nullptr && sent->hwnd == s_window &&
            sent->message == WM_COMMAND) {
            s_log->emplace_back(LOWORD(sent->wParam), HIWORD(sent->wParam));
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND s_window = nullptr;
    static inline std::vector<std::pair<WORD, WORD>>* s_log = nullptr;
    HHOOK m_hook = nullptr;
};

// A helper thread that waits for a visible window of this process titled `title` (of
// class `className` unless that is null), lets `probe` look at it, then posts `message`
// to it. The command that opens the window runs on the test's thread meanwhile; the wait
// is bounded.
class WindowAnswerer {
public:
    using Probe = std::function<void(HWND)>;
    WindowAnswerer(const wchar_t* className, std::wstring title, UINT message, WPARAM wParam,
                   Probe probe = {})
        : m_className(className), m_title(std::move(title)), m_message(message),
          m_wParam(wParam), m_probe(std::move(probe)) {
        m_thread = std::thread([this] { Answer(); });
    }
    // A dialog answered with a command (IDOK, IDCANCEL).
    WindowAnswerer(std::wstring title, WPARAM command, Probe probe = {})
        : WindowAnswerer(L"#32770", std::move(title), WM_COMMAND, command, std::move(probe)) {}
    ~WindowAnswerer() { Join(); }
    // Whether the window appeared and was answered.
    bool Join() {
        if (m_thread.joinable()) m_thread.join();
        return m_found;
    }

private:
    void Answer() {
        for (int attempt = 0; attempt < 1000; ++attempt) {  // at most 20 s
            HWND window = Find();
            if (window != nullptr) {
                if (m_probe) m_probe(window);
                ::PostMessageW(window, m_message, m_wParam, 0);
                m_found = true;
                return;
            }
            ::Sleep(20);
        }
    }
    HWND Find() const {
        for (HWND window = ::FindWindowW(m_className, m_title.c_str()); window != nullptr;
             window = ::FindWindowExW(nullptr, window, m_className, m_title.c_str())) {
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window)) return window;
        }
        return nullptr;
    }

    const wchar_t* m_className;
    std::wstring m_title;
    UINT m_message;
    WPARAM m_wParam;
    Probe m_probe;
    std::atomic<bool> m_found{false};
    std::thread m_thread;
};

// A main frame created as the program creates it, on a message loop registered with the
// module behind the dialog filter.
class FrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitControls(); }

    void SetUp() override {
        g_appModule.Init(::GetModuleHandleW(nullptr));
        m_loop.AddMessageFilter(&g_dialogFilter);
        ASSERT_TRUE(g_appModule.AddMessageLoop(&m_loop));
        const RECT rect = FrameRect(800, 700);
        ASSERT_NE(m_frame.CreateEx(nullptr, &rect), nullptr);
        m_frame.ShowWindow(SW_SHOWNORMAL);
        Pump();
    }

    void TearDown() override {
        if (m_frame.IsWindow()) {
            m_frame.DestroyWindow();
            EXPECT_EQ(Pump(), 1) << "a top-level frame quits with 1";
        }
        g_appModule.RemoveMessageLoop();
    }

    int Pump() { return PumpThroughLoop(m_loop); }
    // Makes a file and opens it as the program does; returns its path.
    std::wstring OpenNew(const wchar_t* name, size_t size = 4800) {
        const std::wstring path = m_files.MakeFile(name, size);
        m_frame.OpenRawFile(path.c_str());
        return path;
    }
    // The one live Parameters dialog (throws, failing the test, when there is none).
    static HWND ParametersDialog() { return LiveModelessDialogs().at(0); }
    void Command(WORD id) { m_frame.SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    HWND View() const { return m_frame.m_view.m_hWnd; }

    CMessageLoop m_loop;
    CMainFrame m_frame;
    TempFolder m_files;
};

}  // namespace frame_test
