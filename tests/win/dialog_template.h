// Extended dialog templates of this program's resources, read field by field.
#pragma once

#include <gtest/gtest.h>
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

struct TemplateHeader {
    WORD version, signature;
    DWORD exStyle, style;
    WORD controls;
    short x, y, cx, cy;
    std::wstring menu, windowClass, caption;
    WORD points, weight;
    BYTE italic, charset;
    std::wstring font;
};

inline TemplateHeader ReadHeader(TemplateReader& reader) {
    TemplateHeader header{};
    header.version = reader.Word();
    header.signature = reader.Word();
    reader.Dword();  // help id
    header.exStyle = reader.Dword();
    header.style = reader.Dword();
    header.controls = reader.Word();
    header.x = reader.Short();
    header.y = reader.Short();
    header.cx = reader.Short();
    header.cy = reader.Short();
    header.menu = reader.StringOrOrdinal();
    header.windowClass = reader.StringOrOrdinal();
    header.caption = reader.StringOrOrdinal();
    if (header.style & DS_SETFONT) {
        header.points = reader.Word();
        header.weight = reader.Word();
        header.italic = reader.Byte();
        header.charset = reader.Byte();
        header.font = reader.StringOrOrdinal();
    }
    return header;
}

// One control of a template as it is expected to be; a null text is not compared.
struct ExpectedControl {
    int32_t id;
    const wchar_t* className;
    DWORD style;
    const wchar_t* text;  // "#101" stands for the resource ordinal 101
    short x, y, cx, cy;
};

// Reads the next control, after the header or the control before it, and compares it.
inline void ExpectNextControl(TemplateReader& reader, const ExpectedControl& expected) {
    SCOPED_TRACE(testing::Message() << "control " << expected.id << " at " << expected.x << ","
                                    << expected.y);
    reader.AlignToDword();
    reader.Dword();                 // help id
    EXPECT_EQ(reader.Dword(), 0u);  // no extended style
    EXPECT_EQ(reader.Dword(), expected.style);
    EXPECT_EQ(reader.Short(), expected.x);
    EXPECT_EQ(reader.Short(), expected.y);
    EXPECT_EQ(reader.Short(), expected.cx);
    EXPECT_EQ(reader.Short(), expected.cy);
    EXPECT_EQ(static_cast<int32_t>(reader.Dword()), expected.id);
    // The resource compiler keeps class names in capitals; they are case-blind.
    EXPECT_EQ(_wcsicmp(reader.StringOrOrdinal().c_str(), expected.className), 0);
    const std::wstring text = reader.StringOrOrdinal();
    if (expected.text != nullptr) {
        EXPECT_EQ(text, expected.text);
    }
    reader.Skip(reader.Word());  // creation data
}
