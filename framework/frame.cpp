#include "framework/frame.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"

namespace frame_parts {

namespace {

constexpr int kSeparatorWidth = 8;
constexpr int kButtonMargin = 7;
constexpr int kStringMax = 256;  // 255 characters and the terminator

// The toolbar resource: a header of four words followed by `count` command ids.
struct ToolBarData {
    const WORD* items = nullptr;
    WORD width = 0;
    WORD height = 0;
    WORD count = 0;
};

bool LoadToolBarData(UINT resourceId, ToolBarData& data) {
    HINSTANCE instance = ResourceInstance();
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(RT_TOOLBAR));
    if (found == nullptr) return false;
    const DWORD size = ::SizeofResource(instance, found);
    HGLOBAL loaded = ::LoadResource(instance, found);
    const auto* words = static_cast<const WORD*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
    if (words == nullptr || size < 4 * sizeof(WORD) || words[0] != 1) return false;
    data.width = words[1];
    data.height = words[2];
    data.count = words[3];
    data.items = words + 4;
    return size >= (4u + data.count) * sizeof(WORD);
}

std::vector<TBBUTTON> MakeButtons(const ToolBarData& data, BOOL initialSeparator, int& imageCount) {
    std::vector<TBBUTTON> buttons;
    TBBUTTON separator{};
    separator.fsStyle = BTNS_SEP;
    if (initialSeparator) {
        separator.iBitmap = kSeparatorWidth / 2;
        buttons.push_back(separator);
    }
    separator.iBitmap = kSeparatorWidth;
    imageCount = 0;
    for (WORD i = 0; i < data.count; ++i) {
        if (data.items[i] == 0) {
            buttons.push_back(separator);
            continue;
        }
        TBBUTTON button{};
        button.iBitmap = imageCount++;
        button.idCommand = data.items[i];
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
        buttons.push_back(button);
    }
    return buttons;
}

int FontHeight(HWND window) {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    LOGFONTW logFont{};
    ::GetObjectW(font, sizeof(logFont), &logFont);
    return std::abs(logFont.lfHeight);
}

bool IsToolBar(HWND window) {
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    return ::lstrcmpiW(className, TOOLBARCLASSNAMEW) == 0;
}

int Height(const RECT& rect) { return rect.bottom - rect.top; }

bool IsShown(HWND window) {
    return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// The text of string `id` after its first "\n"; empty when the string has none.
std::wstring TipOfString(UINT_PTR id, bool& exists) {
    wchar_t buffer[kStringMax] = {};
    exists = false;
    if (id > 0xFFFF) return {};
    const int length = ::LoadStringW(ResourceInstance(), static_cast<UINT>(id), buffer, kStringMax);
    exists = length > 0;
    const wchar_t* newline = std::find(buffer, buffer + length, L'\n');
    if (newline == buffer + length) return {};
    return std::wstring(newline + 1, static_cast<const wchar_t*>(buffer + length));
}

}  // namespace

CWndClassInfo MakeFrameWndClassInfo(UINT iconId) {
    CWndClassInfo info = MakeWndClassInfo(nullptr, 0, COLOR_WINDOW);
    HINSTANCE instance = ResourceInstance();
    info.largeIcon = static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                     ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    info.smallIcon = static_cast<HICON>(::LoadImageW(
        instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
        ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    return info;
}

HWND CreateSimpleToolBarCtrl(HWND parent, UINT resourceId, BOOL initialSeparator, DWORD style,
                             UINT id) {
    ToolBarData data;
    if (!LoadToolBarData(resourceId, data)) return nullptr;
    int imageCount = 0;
    std::vector<TBBUTTON> buttons = MakeButtons(data, initialSeparator, imageCount);

    HWND toolBar = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style, 0, 0, 100, 100, parent,
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                     ResourceInstance(), nullptr);
    if (toolBar == nullptr) return nullptr;
    ::SendMessageW(toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const int imageHeight = std::max<int>(data.height, FontHeight(toolBar));

    // Four bits a pixel at most, so the toolbar maps the strip's greys to the system colours.
    TBADDBITMAP strip{ResourceInstance(), resourceId};
    ::SendMessageW(toolBar, TB_ADDBITMAP, imageCount, reinterpret_cast<LPARAM>(&strip));
    ::SendMessageW(toolBar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageW(toolBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(data.width, imageHeight));
    ::SendMessageW(toolBar, TB_SETBUTTONSIZE, 0,
                   MAKELPARAM(data.width + kButtonMargin, imageHeight + kButtonMargin));
    return toolBar;
}

HWND CreateSimpleReBarCtrl(HWND parent, DWORD style, UINT id) {
    HWND reBar = ::CreateWindowExW(0, REBARCLASSNAMEW, nullptr, style, 0, 0, 100, 100, parent,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                   ResourceInstance(), nullptr);
    if (reBar == nullptr) return nullptr;
    REBARINFO info{};
    info.cbSize = sizeof(info);
    if (!::SendMessageW(reBar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info))) {
        ::DestroyWindow(reBar);
        return nullptr;
    }
    return reBar;
}

BOOL AddSimpleReBarBandCtrl(HWND reBar, HWND band, const wchar_t* title, BOOL newRow,
                            int cxWidth, BOOL fullWidthAlways) {
    if (reBar == nullptr || band == nullptr) return FALSE;
    REBARBANDINFOW info{};
    info.cbSize = REBARBANDINFOW_V6_SIZE;
    info.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE |
                 RBBIM_IDEALSIZE;
    if (title != nullptr) {
        info.fMask |= RBBIM_TEXT;
        info.lpText = const_cast<wchar_t*>(title);
    }
    info.fStyle = RBBS_CHILDEDGE | (newRow ? RBBS_BREAK : 0);
    info.hwndChild = band;
    info.wID = kFirstBandId + static_cast<UINT>(::SendMessageW(reBar, RB_GETBANDCOUNT, 0, 0));

    const bool toolBar = IsToolBar(band);
    const int buttonCount = toolBar ? static_cast<int>(::SendMessageW(band, TB_BUTTONCOUNT, 0, 0)) : 0;
    RECT rect{};
    if (buttonCount > 0) {
        info.fStyle |= RBBS_USECHEVRON;
        ::SendMessageW(band, TB_GETITEMRECT, buttonCount - 1, reinterpret_cast<LPARAM>(&rect));
        info.cx = cxWidth != 0 ? cxWidth : rect.right;
        info.cyMinChild = Height(rect);
        if (fullWidthAlways) {
            info.cxMinChild = info.cx;
        } else if (title == nullptr) {
            ::SendMessageW(band, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect));
            info.cxMinChild = rect.right;
        }
    } else {
        ::GetWindowRect(band, &rect);
        info.cx = cxWidth != 0 ? cxWidth : rect.right - rect.left;
        info.cxMinChild = fullWidthAlways ? info.cx : 0;
        info.cyMinChild = Height(rect);
    }
    info.cxIdeal = info.cx;

    if (!::SendMessageW(reBar, RB_INSERTBAND, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&info))) {
        return FALSE;
    }
    if (toolBar) {
        const LRESULT exStyle = ::SendMessageW(band, TB_GETEXTENDEDSTYLE, 0, 0);
        ::SendMessageW(band, TB_SETEXTENDEDSTYLE, 0, exStyle | TBSTYLE_EX_HIDECLIPPEDBUTTONS);
    }
    return TRUE;
}

HWND CreateSimpleStatusBar(HWND parent, UINT textId, DWORD style, UINT id) {
    wchar_t text[128] = {};
    ::LoadStringW(ResourceInstance(), textId, text, 128);
    return ::CreateStatusWindowW(static_cast<LONG>(style), text, parent, id);
}

void UpdateLayout(HWND parent, HWND topBar, HWND statusBar, HWND client, BOOL resizeBars) {
    RECT rect{};
    ::GetClientRect(parent, &rect);
    if (topBar != nullptr && IsShown(topBar)) {
        if (resizeBars) {
            ::SendMessageW(topBar, WM_SIZE, 0, 0);
            ::InvalidateRect(topBar, nullptr, TRUE);
        }
        RECT bar{};
        ::GetWindowRect(topBar, &bar);
        rect.top += Height(bar);
    }
    if (statusBar != nullptr && IsShown(statusBar)) {
        if (resizeBars) ::SendMessageW(statusBar, WM_SIZE, 0, 0);
        RECT bar{};
        ::GetWindowRect(statusBar, &bar);
        rect.bottom -= Height(bar);
    }
    if (client != nullptr && ::IsWindow(client)) {
        ::SetWindowPos(client, nullptr, rect.left, rect.top, std::max(0L, rect.right - rect.left),
                       std::max(0L, rect.bottom - rect.top), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void ShowMenuPrompt(HWND statusBar, WPARAM wParam, LPARAM lParam) {
    const WORD flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) {  // the menu closed
        ::SendMessageW(statusBar, SB_SIMPLE, FALSE, 0);
        return;
    }
    wchar_t prompt[kStringMax] = {};
    if (!(flags & MF_POPUP)) {
        WORD id = LOWORD(wParam);
        if (id >= 0xF000 && id < 0xF1F0) {  // system menu commands share one prompt group
            id = static_cast<WORD>(kSystemMenuPromptFirst + ((id - 0xF000) >> 4));
        }
        const int length = ::LoadStringW(ResourceInstance(), id, prompt, kStringMax);
        *std::find(prompt, prompt + length, L'\n') = L'\0';
    }
    ::SendMessageW(statusBar, SB_SIMPLE, TRUE, 0);
    ::SendMessageW(statusBar, SB_SETTEXTW, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(prompt));
}

void FillToolTipText(UINT_PTR id, UINT& flags, wchar_t* text, int textCount) {
    bool exists = false;
    const std::wstring tip = TipOfString(id, exists);
    ::lstrcpynW(text, tip.c_str(), textCount);
    if (exists) flags |= TTF_DI_SETITEM;
}

void FillToolTipText(UINT_PTR id, UINT& flags, char* text, int textCount) {
    bool exists = false;
    const std::wstring tip = TipOfString(id, exists);
    std::string narrow(tip.size() * 2 + 1, '\0');
    ::WideCharToMultiByte(CP_ACP, 0, tip.c_str(), -1, &narrow[0], static_cast<int>(narrow.size()),
                          nullptr, nullptr);
    ::lstrcpynA(text, narrow.c_str(), textCount);
    if (exists) flags |= TTF_DI_SETITEM;
}

HMENU MakeChevronMenu(HWND toolBar) {
    RECT shown{};
    ::GetClientRect(toolBar, &shown);
    const int count = static_cast<int>(::SendMessageW(toolBar, TB_BUTTONCOUNT, 0, 0));
    HMENU menu = ::CreatePopupMenu();
    bool anyItem = false;
    bool separatorPending = false;
    for (int i = 0; i < count; ++i) {
        RECT item{};
        ::SendMessageW(toolBar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
        if (item.right <= shown.right) continue;
        TBBUTTON button{};
        ::SendMessageW(toolBar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & BTNS_SEP) {
            separatorPending = anyItem;
            continue;
        }
        if (separatorPending) ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        separatorPending = false;
        bool exists = false;
        const std::wstring text = TipOfString(static_cast<UINT_PTR>(button.idCommand), exists);
        const UINT state = ((button.fsState & TBSTATE_ENABLED) ? MF_ENABLED : MF_GRAYED) |
                           ((button.fsState & TBSTATE_CHECKED) ? MF_CHECKED : MF_UNCHECKED);
        ::AppendMenuW(menu, MF_STRING | state, static_cast<UINT_PTR>(button.idCommand), text.c_str());
        anyItem = true;
    }
    if (!anyItem) {
        ::DestroyMenu(menu);
        return nullptr;
    }
    return menu;
}

void ShowChevronMenu(HWND frame, HWND reBar, const NMREBARCHEVRON& chevron) {
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD;
    if (!::SendMessageW(reBar, RB_GETBANDINFOW, chevron.uBand, reinterpret_cast<LPARAM>(&band)) ||
        band.hwndChild == nullptr || !IsToolBar(band.hwndChild)) {
        return;
    }
    HMENU menu = MakeChevronMenu(band.hwndChild);
    if (menu == nullptr) return;
    RECT exclude = chevron.rc;
    ::MapWindowPoints(reBar, nullptr, reinterpret_cast<POINT*>(&exclude), 2);
    TPMPARAMS params{sizeof(params), exclude};
    // The chosen command arrives as WM_COMMAND, like one from the button itself.
    ::TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL, exclude.left,
                       exclude.bottom, frame, &params);
    ::DestroyMenu(menu);
}

}  // namespace frame_parts
