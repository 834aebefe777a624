// UTF-16 strings and byte buffers of the runtime. Both are value classes of the object model:
// copying copies the content. Storage comes from the objects' memory slots, so small strings and
// buffers live in pool blocks.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "runtime/QelObject.h"

// Growable byte buffer. The capacity is always a multiple of the grow step and larger than the size.
class CQelMem : public CQelObject {
    QEL_OBJECT_CLASS(CQelMem, CQelObject, "CQelMem")
public:
    static constexpr int64_t kDefaultGrowStep = 64;

    CQelMem() = default;
    explicit CQelMem(int64_t step) : growStep(step) {}
    // Copy construction is a clone: a fresh buffer with the default step, then Assign.
    CQelMem(const CQelMem& other);
    // Takes over the other buffer's storage; the other buffer is left unallocated.
    CQelMem(CQelMem&& other) noexcept;
    // CopyFrom after its kind test and hook: Assign.
    CQelMem& operator=(const CQelMem& other);
    ~CQelMem() override;

    // Sets the size in bytes; grows or shrinks the storage by the step rule. Answers data.
    uint8_t* SetSize(int64_t n);
    // Takes the other buffer's flags, word and bytes (not its step or capacity).
    void Assign(const CQelMem& other);
    // Appends the code units of text and a terminating zero (a null text appends just the zero).
    void AppendText(const wchar_t* text);
    // Appends the code units of text without a terminating zero.
    void AppendChars(const wchar_t* text);
    // Appends count bytes (zeros when bytes is null).
    void AppendBytes(const void* bytes, int64_t count);
    // Removes count bytes at offset; a negative offset removes them from the end.
    void RemoveRange(int64_t offset, int64_t count);
    // Frees the storage: data null, size and capacity 0.
    void Clear() { SetSize(0); }

    // Byte dump: a header and lines of 16 bytes in hexadecimal and as characters, appended to text.
    // limit < 0 shows every byte, 0 means 1024.
    void ToText(CWString& text, int32_t limit) const override;

    uint8_t* data = nullptr;
    int64_t capacity = 0;
    int64_t size = 0;
    int64_t growStep = kDefaultGrowStep;

protected:
    bool EqualFields(const CQelMem& other) const;
    void ResetFields();
};

// UTF-16 string over constant text it does not own, or over its own zero-terminated buffer.
class CWString : public CQelObject {
    QEL_OBJECT_CLASS(CWString, CQelObject, "CWString")
public:
    static constexpr int64_t kBufferGrowStep = 254;

    CWString();
    // A string that stands for the constant text (not copied until the string is changed).
    explicit CWString(const wchar_t* constantText);
    // Copy construction: flags, word, constant text pointer and buffer content.
    CWString(const CWString& other);
    CWString(CWString&& other) noexcept;
    // Assign without the hooks (CopyFrom calls the object hook itself).
    CWString& operator=(const CWString& other);
    ~CWString() override;

    const wchar_t* GetText() const;
    int64_t GetLength() const;
    // Counts as empty for concatenation.
    bool IsEmptyText() const;

    // Moves constant text into the buffer; answers the buffer.
    CQelMem& MakeWritable();
    // Drops the constant text and frees the buffer's storage.
    void SetEmpty();
    void Append(const wchar_t* text);
    void AppendChar(wchar_t unit);
    // "0" for values within 1e-6 of zero, else the "%.15G" text (exponent with at least two digits).
    void AppendDecimal(double value);
    void AppendUtf8(const char* text);
    // Replaces the content with printf-style formatted text ("%s" takes UTF-16 text).
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    void AppendFormat(const wchar_t* format, ...);
    void AppendFormatV(const wchar_t* format, va_list args);
    // count code units from text (zeros when text is null); count < 1 leaves the string empty.
    void SetChars(const wchar_t* text, int64_t count);
    // The first count code units as a new string.
    CWString Left(int64_t count) const;
    // Removes trailing code units up to U+0020.
    CWString& TrimRight();
    // Index of the first occurrence of needle (case matters), 0 for an empty needle, -1 when absent.
    int64_t Find(const wchar_t* needle) const;
    int IsTextEqual(const CWString& other) const;
    int IsDifferent(const CWString& other) const;
    int EndsWithNoCase(const wchar_t* suffix) const;
    // Hook, words, constant text pointer, buffer hook, buffer content.
    CWString& Assign(const CWString& other);

    static CWString Concat(const CWString& a, const CWString& b);
    static CWString Concat(const CWString& a, const wchar_t* text);

    const wchar_t* constText = nullptr;
    CQelMem buffer{kBufferGrowStep};

protected:
    bool EqualFields(const CWString& other) const;
    void ResetFields();

private:
    // Appends count code units and a terminating zero to the owned text.
    void AppendUnits(const wchar_t* units, int64_t count);
    // Exchanges the buffer's storage with that of another buffer (same grow step).
    void TakeStorage(CQelMem& from);
};

// A string that carries a string literal; differs from CWString only in its class record.
class CWConstString : public CWString {
    QEL_OBJECT_CLASS(CWConstString, CWString, "CWConstString")
public:
    CWConstString() = default;
    explicit CWConstString(const wchar_t* constantText) : CWString(constantText) {}
    CWConstString(const CWConstString& other) = default;
    CWConstString& operator=(const CWConstString& other) = default;
};

inline CWString operator+(const CWString& a, const CWString& b) { return CWString::Concat(a, b); }
inline CWString operator+(const CWString& a, const wchar_t* text) { return CWString::Concat(a, text); }

// printf-style formatting of UTF-16 text into a caller buffer that has room for the result; answers
// the number of code units written (without the zero) or -1. "%s" takes UTF-16 text.
int FormatText(wchar_t* target, const wchar_t* format, ...);
int FormatTextV(wchar_t* target, const wchar_t* format, va_list args);
// The same, writing at most capacity code units including the zero; -1 when the text does not fit
// (the target then holds the empty text).
int FormatTextN(wchar_t* target, size_t capacity, const wchar_t* format, ...);
int FormatTextNV(wchar_t* target, size_t capacity, const wchar_t* format, va_list args);
// Formats into a string object, replacing its content (any length).
void FormatTextInto(CWString& target, const wchar_t* format, va_list args);

// Converts zero-terminated UTF-8 text into the target buffer (2 * bytes + 2 at first, then the size
// of what was written with its zero); answers the converted text inside the buffer.
const wchar_t* Utf8ToUtf16(const char* text, CQelMem& target);
