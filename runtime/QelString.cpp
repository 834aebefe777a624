#include "QelString.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include <windows.h>

// ---- byte buffer ---------------------------------------------------------------------------------

CQelMem::CQelMem(const CQelMem& other) : CQelObject(other) { AppendBytes(other.data, other.size); }

CQelMem& CQelMem::operator=(const CQelMem& other) {
    Assign(other);
    return *this;
}

CQelMem::~CQelMem() { Free(data); }

uint8_t* CQelMem::SetSize(int64_t n) {
    if (n == size) return data;
    if (n == 0) {
        Free(data);
        data = nullptr;
        size = capacity = 0;
        return nullptr;
    }
    const int64_t step = growStep > 0 ? growStep : 64;
    if (!data) {
        capacity = n - (n % step) + step;
        data = static_cast<uint8_t*>(Alloc(static_cast<size_t>(capacity)));
    } else if (capacity < n || capacity - n > step) {
        capacity = n - (n % step) + step;
        data = static_cast<uint8_t*>(Realloc(data, static_cast<size_t>(capacity)));
    }
    size = n;
    return data;
}

void CQelMem::AppendBytes(const void* bytes, int64_t count) {
    if (count <= 0) return;
    const int64_t old = size;
    SetSize(old + count);
    if (bytes) std::memmove(data + old, bytes, static_cast<size_t>(count));
    else std::memset(data + old, 0, static_cast<size_t>(count));
}

void CQelMem::Assign(const CQelMem& other) {
    if (&other == this) return;
    objectFlags = other.objectFlags;
    objectWord = other.objectWord;
    SetSize(other.size);
    if (other.size) std::memcpy(data, other.data, static_cast<size_t>(other.size));
}

void CQelMem::AppendText(const wchar_t* text) {
    const size_t n = text ? std::wcslen(text) : 0;
    AppendBytes(text, static_cast<int64_t>((n + 1) * sizeof(wchar_t)));
    if (!text) std::memset(data + size - 2, 0, 2);
}

void CQelMem::AppendChars(const wchar_t* text) {
    if (!text || !*text) return;
    AppendBytes(text, static_cast<int64_t>(std::wcslen(text) * sizeof(wchar_t)));
}

bool CQelMem::EqualFields(const CQelMem& other) const {
    return CQelObject::EqualFields(other) && size == other.size &&
           (size == 0 || std::memcmp(data, other.data, static_cast<size_t>(size)) == 0);
}

void CQelMem::ResetFields() {
    CQelObject::ResetFields();
    size = 0;
}

// ---- strings -------------------------------------------------------------------------------------

static const wchar_t kEmptyText[1] = {0};

CWString::CWString() { buffer.growStep = 254; }

CWString::CWString(const wchar_t* constantText) : constText(constantText) { buffer.growStep = 254; }

CWString::CWString(const CWString& other) : CQelObject(other), constText(other.constText) {
    buffer.growStep = 254;
    buffer.Assign(other.buffer);
}

CWString& CWString::operator=(const CWString& other) {
    if (&other == this) return *this;
    objectFlags = other.objectFlags;
    objectWord = other.objectWord;
    constText = other.constText;
    buffer.Assign(other.buffer);
    return *this;
}

CWString::~CWString() = default;

const wchar_t* CWString::GetText() const {
    if (constText) return constText;
    if (buffer.size == 0) return kEmptyText;
    return reinterpret_cast<const wchar_t*>(buffer.data);
}

int64_t CWString::GetLength() const {
    if (constText) return static_cast<int64_t>(std::wcslen(constText));
    return buffer.size == 0 ? 0 : buffer.size / 2 - 1;
}

CQelMem& CWString::MakeWritable() {
    if (constText) {
        const wchar_t* text = constText;
        constText = nullptr;
        buffer.SetSize(0);
        buffer.AppendText(text);
    }
    return buffer;
}

void CWString::SetEmpty() {
    constText = nullptr;
    buffer.SetSize(0);
}

void CWString::Append(const wchar_t* text) {
    if (!text || !*text) return;
    MakeWritable();
    if (buffer.size >= 2) buffer.SetSize(buffer.size - 2);  // drop the terminating zero
    buffer.AppendText(text);
}

void FormatTextInto(CWString& target, const wchar_t* format, va_list args) {
    wchar_t local[512];
    va_list copy;
    va_copy(copy, args);
    int n = _vsnwprintf(local, 512, format, copy);
    va_end(copy);
    if (n >= 0 && n < 512) {
        local[n] = 0;
        target.SetEmpty();
        target.Append(local);
        return;
    }
    n = _vscwprintf(format, args);
    target.SetEmpty();
    if (n <= 0) return;
    CQelMem& buf = target.buffer;
    buf.SetSize((static_cast<int64_t>(n) + 1) * 2);
    va_copy(copy, args);
    _vsnwprintf(reinterpret_cast<wchar_t*>(buf.data), static_cast<size_t>(n) + 1, format, copy);
    va_end(copy);
    reinterpret_cast<wchar_t*>(buf.data)[n] = 0;
}

void CWString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatTextInto(*this, format, args);
    va_end(args);
}

void CWString::AppendFormat(const wchar_t* format, ...) {
    CWString temp;
    va_list args;
    va_start(args, format);
    FormatTextInto(temp, format, args);
    va_end(args);
    Append(temp.GetText());
}

void CWString::AppendUtf8(const char* text) {
    if (!text || !*text) return;
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n <= 1) return;
    CWString temp;
    CQelMem& buf = temp.buffer;
    buf.SetSize(static_cast<int64_t>(n) * 2);
    MultiByteToWideChar(CP_UTF8, 0, text, -1, reinterpret_cast<wchar_t*>(buf.data), n);
    Append(temp.GetText());
}

bool CWString::EqualFields(const CWString& other) const {
    return CQelObject::EqualFields(other) && std::wcscmp(GetText(), other.GetText()) == 0;
}

void CWString::ResetFields() {
    CQelObject::ResetFields();
    constText = nullptr;
    buffer.Reset();
}

int FormatTextV(wchar_t* target, const wchar_t* format, va_list args) {
    return _vswprintf(target, format, args);
}

int FormatText(wchar_t* target, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatTextV(target, format, args);
    va_end(args);
    return n;
}
