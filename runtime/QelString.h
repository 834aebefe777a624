// UTF-16 strings and byte buffers of the runtime (value semantics; storage from the pool).
#pragma once
#include <cstdarg>
#include <cstdint>

#include "QelObject.h"

class CQelMem : public CQelObject {
    QEL_OBJECT_CLASS(CQelMem, CQelObject, "CQelMem")
public:
    CQelMem() = default;
    CQelMem(const CQelMem& other);
    CQelMem& operator=(const CQelMem& other);
    ~CQelMem() override;

    uint8_t* SetSize(int64_t n);
    void Assign(const CQelMem& other);
    void AppendText(const wchar_t* text);
    void AppendChars(const wchar_t* text);
    void AppendBytes(const void* bytes, int64_t count);

    uint8_t* data = nullptr;
    int64_t capacity = 0;
    int64_t size = 0;
    int64_t growStep = 64;

protected:
    bool EqualFields(const CQelMem& other) const;
    void ResetFields();
};

class CWString : public CQelObject {
    QEL_OBJECT_CLASS(CWString, CQelObject, "CWString")
public:
    CWString();
    explicit CWString(const wchar_t* constantText);
    CWString(const CWString& other);
    CWString& operator=(const CWString& other);
    ~CWString() override;

    const wchar_t* GetText() const;
    int64_t GetLength() const;
    CQelMem& MakeWritable();
    void SetEmpty();
    void Append(const wchar_t* text);
    void Format(const wchar_t* format, ...);
    void AppendFormat(const wchar_t* format, ...);
    void AppendUtf8(const char* text);

    const wchar_t* constText = nullptr;
    CQelMem buffer;

protected:
    bool EqualFields(const CWString& other) const;
    void ResetFields();
};

class CWConstString : public CWString {
    QEL_OBJECT_CLASS(CWConstString, CWString, "CWConstString")
public:
    CWConstString() = default;
    explicit CWConstString(const wchar_t* constantText) : CWString(constantText) {}
};

// printf-style formatting of UTF-16 text into a caller buffer; "%s" takes UTF-16 text.
int FormatText(wchar_t* target, const wchar_t* format, ...);
int FormatTextV(wchar_t* target, const wchar_t* format, va_list args);
// Formats into a string object (any length).
void FormatTextInto(CWString& target, const wchar_t* format, va_list args);
