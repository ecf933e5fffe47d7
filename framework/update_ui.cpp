#include "framework/update_ui.h"

CUpdateUIBase::CUpdateUIBase(const UpdateUIEntry* map) : m_map(map) {
    size_t count = 0;
    while (m_map[count].id != kUpdateUIMapEnd) ++count;
    m_states.assign(count, UPDUI_ENABLED);
    m_pendingToolBar.assign(count, false);
}

int CUpdateUIBase::FindEntry(int id) const {
    for (size_t i = 0; i < m_states.size(); ++i) {
        if (m_map[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

BOOL CUpdateUIBase::SetState(int id, WORD mask, WORD bits, BOOL forceUpdate) {
    const int index = FindEntry(id);
    if (index < 0) return FALSE;
    const WORD updated = static_cast<WORD>((m_states[index] & ~mask) | bits);
    if (updated != m_states[index] || forceUpdate) {
        m_states[index] = updated;
        if (m_map[index].kinds & UPDUI_TOOLBAR) m_pendingToolBar[index] = true;
    }
    return TRUE;
}

BOOL CUpdateUIBase::UISetCheck(int id, int check, BOOL forceUpdate) {
    return SetState(id, UPDUI_CHECKED, check ? UPDUI_CHECKED : 0, forceUpdate);
}

BOOL CUpdateUIBase::UIEnable(int id, BOOL enable, BOOL forceUpdate) {
    return SetState(id, UPDUI_DISABLED, enable ? 0 : UPDUI_DISABLED, forceUpdate);
}

WORD CUpdateUIBase::UIGetState(int id) const {
    const int index = FindEntry(id);
    return index < 0 ? 0 : m_states[index];
}

BOOL CUpdateUIBase::UIAddToolBar(HWND toolBar) {
    if (toolBar == nullptr) return FALSE;
    m_toolBars.push_back(toolBar);
    return TRUE;
}

BOOL CUpdateUIBase::UIUpdateToolBar(BOOL forceUpdate) {
    for (size_t i = 0; i < m_states.size(); ++i) {
        if (!(m_map[i].kinds & UPDUI_TOOLBAR)) continue;
        if (!m_pendingToolBar[i] && !forceUpdate) continue;
        for (HWND toolBar : m_toolBars) {
            ::SendMessageW(toolBar, TB_ENABLEBUTTON, m_map[i].id,
                           MAKELPARAM(!(m_states[i] & UPDUI_DISABLED), 0));
            ::SendMessageW(toolBar, TB_CHECKBUTTON, m_map[i].id,
                           MAKELPARAM((m_states[i] & UPDUI_CHECKED) != 0, 0));
        }
        m_pendingToolBar[i] = false;
    }
    return TRUE;
}

void CUpdateUIBase::UIUpdateMenuPopup(HMENU menu) const {
    for (size_t i = 0; i < m_states.size(); ++i) {
        if (!(m_map[i].kinds & UPDUI_MENUPOPUP)) continue;
        const UINT id = m_map[i].id;
        // Items of other drop-downs are left alone.
        if (::GetMenuState(menu, id, MF_BYCOMMAND) == static_cast<UINT>(-1)) continue;
        ::CheckMenuItem(menu, id, MF_BYCOMMAND | ((m_states[i] & UPDUI_CHECKED) ? MF_CHECKED
                                                                                : MF_UNCHECKED));
        ::EnableMenuItem(menu, id, MF_BYCOMMAND | ((m_states[i] & UPDUI_DISABLED) ? MF_GRAYED
                                                                                 : MF_ENABLED));
    }
}

LRESULT CUpdateUIBase::OnInitMenuPopup(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    const HMENU menu = reinterpret_cast<HMENU>(wParam);
    bHandled = FALSE;  // the default procedure still sees the menu open
    if (menu != nullptr) UIUpdateMenuPopup(menu);
    return 0;
}
