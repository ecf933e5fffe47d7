// Update-UI: a table of commands whose enabled and checked states a window keeps, and
// pushes to its menus when they drop down and to registered toolbars when it falls idle.
#pragma once

#include <vector>

#include "framework/window.h"

// Kinds of UI element an entry of the table stands for.
enum : WORD {
    UPDUI_MENUPOPUP = 0x0001,
    UPDUI_MENUBAR = 0x0002,
    UPDUI_CHILDWINDOW = 0x0004,
    UPDUI_TOOLBAR = 0x0008,
    UPDUI_STATUSBAR = 0x0010,
};

// State bits of an entry.
enum : WORD {
    UPDUI_ENABLED = 0x0000,
    UPDUI_DISABLED = 0x0100,
    UPDUI_CHECKED = 0x0200,
};

struct UpdateUIEntry {
    WORD id;
    WORD kinds;  // UPDUI_MENUPOPUP, UPDUI_TOOLBAR, ...
};

constexpr WORD kUpdateUIMapEnd = 0xFFFF;

#define BEGIN_UPDATE_UI_MAP(theClass)                   \
    static const UpdateUIEntry* GetUpdateUIMap() {      \
        static const UpdateUIEntry theMap[] = {
#define UPDATE_ELEMENT(id, kinds) {static_cast<WORD>(id), static_cast<WORD>(kinds)},
#define END_UPDATE_UI_MAP()         \
    {kUpdateUIMapEnd, 0}            \
    }                               \
    ;                               \
    return theMap;                  \
    }

// The state of one command table, independent of any window type.
class CUpdateUIBase {
public:
    explicit CUpdateUIBase(const UpdateUIEntry* map);

    BOOL UISetCheck(int id, int check, BOOL forceUpdate = FALSE);
    BOOL UIEnable(int id, BOOL enable, BOOL forceUpdate = FALSE);
    WORD UIGetState(int id) const;

    BOOL UIAddToolBar(HWND toolBar);
    // Pushes the states of toolbar entries that changed since the last push (all of them
    // when forced) to every registered toolbar.
    BOOL UIUpdateToolBar(BOOL forceUpdate = FALSE);

    // Applies the states of drop-down-menu entries to the items of `menu` that carry them.
    void UIUpdateMenuPopup(HMENU menu) const;

protected:
    LRESULT OnInitMenuPopup(UINT, WPARAM wParam, LPARAM, BOOL& bHandled);

private:
    int FindEntry(int id) const;
    BOOL SetState(int id, WORD mask, WORD bits, BOOL forceUpdate);

    const UpdateUIEntry* m_map;
    std::vector<WORD> m_states;
    std::vector<bool> m_pendingToolBar;
    std::vector<HWND> m_toolBars;
};

template <class T>
class CUpdateUI : public CUpdateUIBase {
public:
    CUpdateUI() : CUpdateUIBase(T::GetUpdateUIMap()) {}

    BEGIN_MSG_MAP(CUpdateUI)
        MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
    END_MSG_MAP()
};
