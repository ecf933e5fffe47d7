// Swaps one imported function of the test program for a stand-in while it lives, by
// rewriting the program's import table: the code under test calls the stand-in instead,
// which can record what it was asked and answer as the test wants.
#pragma once

#include <windows.h>

class CImportPatch {
public:
    CImportPatch(const wchar_t* dll, const char* function, const void* standIn) {
        HMODULE library = ::LoadLibraryW(dll);
        const void* original =
            library == nullptr ? nullptr : reinterpret_cast<const void*>(::GetProcAddress(library, function));
        m_slot = FindSlot(original);
        if (m_slot != nullptr) {
            m_original = *m_slot;
            Write(standIn);
        }
    }
    ~CImportPatch() {
        if (m_slot != nullptr) Write(m_original);
    }
    CImportPatch(const CImportPatch&) = delete;
    CImportPatch& operator=(const CImportPatch&) = delete;

    // Whether the program imports the function (and it is now the stand-in).
    bool Active() const { return m_slot != nullptr; }
    // The real function, for a stand-in that passes calls on.
    template <typename Function>
    Function Original() const {
        return reinterpret_cast<Function>(const_cast<void*>(m_original));
    }

private:
    static const void** FindSlot(const void* original) {
        if (original == nullptr) return nullptr;
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress == 0) return nullptr;
        for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             entry->Name != 0; ++entry) {
            for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
                 thunk->u1.Function != 0; ++thunk) {
                const void** slot = reinterpret_cast<const void**>(&thunk->u1.Function);
                if (*slot == original) return slot;
            }
        }
        return nullptr;
    }
    void Write(const void* value) {
        DWORD protection = 0;
        ::VirtualProtect(m_slot, sizeof(void*), PAGE_READWRITE, &protection);
        *m_slot = value;
        ::VirtualProtect(m_slot, sizeof(void*), protection, &protection);
    }

    const void** m_slot = nullptr;
    const void* m_original = nullptr;
};
