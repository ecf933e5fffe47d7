// Extended dialog templates of this program's resources, read field by field.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

// Reads an extended dialog template as the resource compiler laid it out.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* start) : m_start(start), m_at(start) {}

    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() { return *m_at++; }

    // A string, or an ordinal (0xFFFF then a number) that names a predefined class.
    std::wstring StringOrOrdinal() {
        const WORD first = Word();
        if (first == 0xFFFF) return OrdinalName(Word());
        std::wstring text;
        for (WORD c = first; c != 0; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }

    void AlignToDword() {
        while ((m_at - m_start) % 4 != 0) ++m_at;
    }
    void Skip(size_t count) { m_at += count; }

private:
    template <class T>
    T Take() {
        T value{};
        memcpy(&value, m_at, sizeof(T));
        m_at += sizeof(T);
        return value;
    }
    static std::wstring OrdinalName(WORD ordinal) {
        switch (ordinal) {
            case 0x80: return L"Button";
            case 0x81: return L"Edit";
            case 0x82: return L"Static";
            case 0x83: return L"ListBox";
            case 0x84: return L"ScrollBar";
            case 0x85: return L"ComboBox";
            default: return L"#" + std::to_wstring(ordinal);
        }
    }

    const BYTE* m_start;
    const BYTE* m_at;
};

inline const BYTE* LoadDialogTemplate(int id) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    if (resource == nullptr) return nullptr;
    return static_cast<const BYTE*>(::LockResource(::LoadResource(module, resource)));
}
