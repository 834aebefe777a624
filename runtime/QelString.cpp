#include "runtime/QelString.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <utility>

#include "runtime/portable/Utf8Convert.h"

static_assert(sizeof(wchar_t) == sizeof(uint16_t), "the runtime's text is UTF-16");

namespace {

const wchar_t kEmptyText[1] = {0};

bool PointsInto(const void* p, const CQelMem& buffer) {
    if (!p || !buffer.data) return false;
    const uint8_t* b = static_cast<const uint8_t*>(p);
    return b >= buffer.data && b < buffer.data + buffer.capacity;
}

// Cuts a three-digit exponent with a leading zero down to two digits ("1E+020" -> "1E+20"): the
// system C run-time writes at least three exponent digits, the text forms want at least two.
int NormalizeExponent(wchar_t* text, int length) {
    for (int i = 0; i < length; ++i) {
        if (text[i] != L'E' && text[i] != L'e') continue;
        int digits = i + 1;
        if (digits < length && (text[digits] == L'+' || text[digits] == L'-')) ++digits;
        int end = digits;
        while (end < length && text[end] >= L'0' && text[end] <= L'9') ++end;
        int leadingZeros = 0;
        while (end - digits - leadingZeros > 2 && text[digits + leadingZeros] == L'0') ++leadingZeros;
        if (leadingZeros) {
            std::wmemmove(text + digits, text + digits + leadingZeros, static_cast<size_t>(length - digits - leadingZeros + 1));
            length -= leadingZeros;
        }
        break;
    }
    return length;
}

}  // namespace

// ---- byte buffer ---------------------------------------------------------------------------------

CQelMem::CQelMem(const CQelMem& other) : CQelObject() { Assign(other); }

CQelMem::CQelMem(CQelMem&& other) noexcept
    : CQelObject(other), data(other.data), capacity(other.capacity), size(other.size), growStep(other.growStep) {
    other.data = nullptr;
    other.capacity = 0;
    other.size = 0;
}

CQelMem& CQelMem::operator=(const CQelMem& other) {
    Assign(other);
    return *this;
}

CQelMem::~CQelMem() { Free(data); }

uint8_t* CQelMem::SetSize(int64_t n) {
    if (n == size) return data;
    if (n <= 0) {
        Free(data);
        data = nullptr;
        size = capacity = 0;
        return nullptr;
    }
    const int64_t step = growStep > 0 ? growStep : kDefaultGrowStep;
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
    if (PointsInto(bytes, *this)) {
        // The source lives in this buffer, which may move while it grows.
        CQelMem copy;
        copy.AppendBytes(bytes, count);
        AppendBytes(copy.data, count);
        return;
    }
    const int64_t old = size;
    SetSize(old + count);
    if (bytes) std::memcpy(data + old, bytes, static_cast<size_t>(count));
    else std::memset(data + old, 0, static_cast<size_t>(count));
}

void CQelMem::Assign(const CQelMem& other) {
    // Assigning a buffer to itself keeps its bytes (the general path would empty it first).
    if (&other == this) return;
    objectFlags = other.objectFlags;
    objectWord = other.objectWord;
    size = 0;
    const int64_t n = other.size;
    if (n == 0) return;
    if (capacity >= n && (n == 1 || n == 2 || n == 4 || n == 8)) {
        std::memcpy(data, other.data, static_cast<size_t>(n));
        size = n;
        return;
    }
    SetSize(n);
    std::memcpy(data, other.data, static_cast<size_t>(n));
}

void CQelMem::AppendText(const wchar_t* text) {
    if (!text || !*text) {
        const wchar_t zero = 0;
        AppendBytes(&zero, sizeof zero);
        return;
    }
    AppendBytes(text, static_cast<int64_t>((std::wcslen(text) + 1) * sizeof(wchar_t)));
}

void CQelMem::AppendChars(const wchar_t* text) {
    if (!text || !*text) return;
    AppendBytes(text, static_cast<int64_t>(std::wcslen(text) * sizeof(wchar_t)));
}

void CQelMem::RemoveRange(int64_t offset, int64_t count) {
    if (count <= 0) return;
    if (offset < 0) {
        const int64_t newSize = size - count;
        SetSize(newSize <= 0 ? 0 : newSize);
        return;
    }
    // Nothing lies at or beyond the end; removing there must not grow the buffer.
    if (offset >= size) return;
    int64_t newSize;
    if (count < size - offset) {
        std::memmove(data + offset, data + offset + count, static_cast<size_t>(size - offset - count));
        newSize = size - count;
    } else {
        newSize = offset;
    }
    SetSize(newSize);
}

bool CQelMem::EqualFields(const CQelMem& other) const {
    return CQelObject::EqualFields(other) && size == other.size &&
           (size == 0 || std::memcmp(data, other.data, static_cast<size_t>(size)) == 0);
}

void CQelMem::ResetFields() {
    CQelObject::ResetFields();
    size = 0;
}

void CQelMem::ToText(CWString& text, int32_t limit) const {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    const int32_t total = static_cast<int32_t>(size);
    int32_t shown = total;
    if (limit == 0) limit = 1024;
    if (limit < 0 || total <= limit) {
        text.AppendFormat(L"<字节集> 总共 %d 个字节:", total);
    } else {
        text.AppendFormat(L"<字节集> 总共 %d 个字节,输出了 %d 个,还有 %d 个未被输出.", total, limit, total - limit);
        shown = limit;
    }
    // One line: "\r\n[" 8 digits "]:" 16 x " XX" " | " 16 characters, zero.
    wchar_t line[2 + 1 + 8 + 2 + 48 + 3 + 16 + 1];
    for (int32_t start = 0; start < shown; start += 16) {
        const int32_t count = shown - start < 16 ? shown - start : 16;
        int k = 0;
        line[k++] = L'\r';
        line[k++] = L'\n';
        line[k++] = L'[';
        for (int shift = 28; shift >= 0; shift -= 4) line[k++] = kHex[(static_cast<uint32_t>(start) >> shift) & 0xF];
        line[k++] = L']';
        line[k++] = L':';
        for (int32_t i = 0; i < 16; ++i) {
            if (i < count) {
                const uint8_t b = data[start + i];
                line[k++] = L' ';
                line[k++] = kHex[b >> 4];
                line[k++] = kHex[b & 0xF];
            } else {
                line[k++] = L' ';
                line[k++] = L' ';
                line[k++] = L' ';
            }
        }
        line[k++] = L' ';
        line[k++] = L'|';
        line[k++] = L' ';
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t b = data[start + i];
            line[k++] = std::isprint(b) ? static_cast<wchar_t>(b) : L'.';
        }
        line[k] = 0;
        text.Append(line);
    }
}

// ---- strings -------------------------------------------------------------------------------------

CWString::CWString() = default;

CWString::CWString(const wchar_t* constantText) : constText(constantText) {}

CWString::CWString(const CWString& other) : CQelObject(other), constText(other.constText) { buffer.Assign(other.buffer); }

CWString::CWString(CWString&& other) noexcept : CQelObject(other), constText(other.constText), buffer(std::move(other.buffer)) {
    other.constText = nullptr;
}

CWString& CWString::operator=(const CWString& other) {
    if (&other == this) return *this;
    objectFlags = other.objectFlags;
    objectWord = other.objectWord;
    constText = other.constText;
    buffer.OnBeforeAssign();
    buffer.Assign(other.buffer);
    return *this;
}

CWString& CWString::Assign(const CWString& other) {
    if (&other == this) return *this;
    OnBeforeAssign();
    return *this = other;
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

bool CWString::IsEmptyText() const {
    if (constText) return constText[0] == 0;
    return buffer.size < 3;
}

CQelMem& CWString::MakeWritable() {
    if (constText) {
        const wchar_t* text = constText;
        constText = nullptr;
        buffer.size = 0;  // old content dropped, storage reused
        buffer.AppendText(text);
    }
    return buffer;
}

void CWString::SetEmpty() {
    constText = nullptr;
    buffer.SetSize(0);
}

void CWString::TakeStorage(CQelMem& from) {
    std::swap(buffer.data, from.data);
    std::swap(buffer.capacity, from.capacity);
    std::swap(buffer.size, from.size);
}

void CWString::AppendUnits(const wchar_t* units, int64_t count) {
    if (buffer.size >= 2 && reinterpret_cast<const wchar_t*>(buffer.data)[buffer.size / 2 - 1] == 0) buffer.size -= 2;
    const int64_t old = buffer.size;
    const int64_t bytes = (count + 1) * 2;
    // Small pieces (one to three code units with the zero) are stored directly when they fit.
    if (buffer.data && (bytes == 2 || bytes == 4 || bytes == 8) && buffer.capacity >= old + bytes) {
        buffer.size = old + bytes;
    } else {
        buffer.SetSize(old + bytes);
    }
    wchar_t* target = reinterpret_cast<wchar_t*>(buffer.data + old);
    std::memcpy(target, units, static_cast<size_t>(count) * 2);
    target[count] = 0;
}

void CWString::Append(const wchar_t* text) {
    if (!text || !*text) return;
    const int64_t count = static_cast<int64_t>(std::wcslen(text));
    if (PointsInto(text, buffer)) {
        // Appending (part of) the string to itself: the buffer may move while it grows.
        CWString copy;
        copy.SetChars(text, count);
        Append(copy.GetText());
        return;
    }
    MakeWritable();
    AppendUnits(text, count);
}

void CWString::AppendChar(wchar_t unit) {
    if (unit == 0) return;
    MakeWritable();
    AppendUnits(&unit, 1);
}

void CWString::AppendDecimal(double value) {
    if (value >= -1e-6 && value <= 1e-6) {
        AppendChar(L'0');
        return;
    }
    wchar_t text[64];
    int n = FormatTextN(text, 64, L"%.15G", value);
    if (n <= 0) return;
    NormalizeExponent(text, n);
    Append(text);
}

void CWString::AppendUtf8(const char* text) {
    if (!text || !*text) return;
    CQelMem converted;
    const wchar_t* wide = Utf8ToUtf16(text, converted);
    Append(wide);
}

void CWString::FormatV(const wchar_t* format, va_list args) {
    // Formatted into separate storage first, so that a value may be this string's own text.
    CWString result;
    if (format) {
        // Most texts fit a local buffer: one formatting pass. Longer ones are measured first.
        wchar_t local[256];
        va_list first;
        va_copy(first, args);
        const int quick = _vsnwprintf(local, 256, format, first);
        va_end(first);
        if (quick >= 0 && quick < 256) {
            if (quick > 0) {
                result.buffer.SetSize(2 * static_cast<int64_t>(quick) + 2);
                std::memcpy(result.buffer.data, local, static_cast<size_t>(quick) * 2);
                reinterpret_cast<wchar_t*>(result.buffer.data)[quick] = 0;
            }
        } else {
            va_list measure;
            va_copy(measure, args);
            const int length = _vscwprintf(format, measure);
            va_end(measure);
            if (length > 0) {
                CQelMem& b = result.buffer;
                b.SetSize(2 * static_cast<int64_t>(length) + 2);
                va_list copy;
                va_copy(copy, args);
                const int count =
                    _vsnwprintf(reinterpret_cast<wchar_t*>(b.data), static_cast<size_t>(length) + 1, format, copy);
                va_end(copy);
                if (count <= 0 || count > length) {
                    b.SetSize(0);
                } else {
                    b.SetSize(2 * static_cast<int64_t>(count) + 2);
                    reinterpret_cast<wchar_t*>(b.data)[count] = 0;
                }
            }
        }
    }
    SetEmpty();
    TakeStorage(result.buffer);
}

void CWString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CWString::AppendFormatV(const wchar_t* format, va_list args) {
    CWString temp;
    temp.FormatV(format, args);
    Append(temp.GetText());
}

void CWString::AppendFormat(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
}

void CWString::SetChars(const wchar_t* text, int64_t count) {
    if (count >= 1 && PointsInto(text, buffer)) {
        // The text lives in this string's own buffer, which is freed first: copy it out.
        CWString copy;
        copy.SetChars(text, count);
        SetEmpty();
        TakeStorage(copy.buffer);
        return;
    }
    SetEmpty();
    if (count < 1) return;
    buffer.SetSize((count + 1) * 2);
    wchar_t* target = reinterpret_cast<wchar_t*>(buffer.data);
    if (text) std::memcpy(target, text, static_cast<size_t>(count) * 2);
    else std::memset(target, 0, static_cast<size_t>(count) * 2);
    target[count] = 0;
}

CWString CWString::Left(int64_t count) const {
    CWString result;
    if (count <= 0) return result;
    const int64_t length = GetLength();
    result.SetChars(GetText(), count < length ? count : length);
    return result;
}

CWString& CWString::TrimRight() {
    MakeWritable();
    const int64_t length = GetLength();
    const wchar_t* text = GetText();
    int64_t last = length - 1;
    while (last >= 0 && text[last] <= 0x20) --last;
    if (last == length - 1) return *this;
    buffer.SetSize(2 * (last + 1));
    const wchar_t zero = 0;
    buffer.AppendBytes(&zero, 2);
    return *this;
}

int64_t CWString::Find(const wchar_t* needle) const {
    if (!needle || !*needle) return 0;
    const int64_t length = GetLength();
    if (length == 0) return -1;
    const int64_t needleLength = static_cast<int64_t>(std::wcslen(needle));
    if (needleLength > length) return -1;
    const wchar_t* text = GetText();
    for (int64_t i = 0; i + needleLength <= length; ++i) {
        if (std::wmemcmp(text + i, needle, static_cast<size_t>(needleLength)) == 0) return i;
    }
    return -1;
}

int CWString::IsTextEqual(const CWString& other) const { return std::wcscmp(GetText(), other.GetText()) == 0 ? 1 : 0; }

int CWString::IsDifferent(const CWString& other) const { return IsTextEqual(other) ? 0 : 1; }

int CWString::EndsWithNoCase(const wchar_t* suffix) const {
    if (!suffix || !*suffix) return 1;
    const int64_t length = GetLength();
    const int64_t suffixLength = static_cast<int64_t>(std::wcslen(suffix));
    if (length < suffixLength) return 0;
    return _wcsnicmp(GetText() + (length - suffixLength), suffix, static_cast<size_t>(suffixLength)) == 0 ? 1 : 0;
}

CWString CWString::Concat(const CWString& a, const CWString& b) {
    if (a.IsEmptyText()) return CWString(b);
    if (b.IsEmptyText()) return CWString(a);
    const int64_t la = a.GetLength();
    const int64_t lb = b.GetLength();
    CWString result;
    result.buffer.SetSize((la + lb + 1) * 2);
    wchar_t* target = reinterpret_cast<wchar_t*>(result.buffer.data);
    std::memcpy(target, a.GetText(), static_cast<size_t>(la) * 2);
    std::memcpy(target + la, b.GetText(), static_cast<size_t>(lb) * 2);
    target[la + lb] = 0;
    return result;
}

CWString CWString::Concat(const CWString& a, const wchar_t* text) {
    if (!text || !*text) return CWString(a);
    const int64_t la = a.GetLength();
    const int64_t lt = static_cast<int64_t>(std::wcslen(text));
    CWString result;
    result.buffer.SetSize((la + lt + 1) * 2);
    wchar_t* target = reinterpret_cast<wchar_t*>(result.buffer.data);
    std::memcpy(target, a.GetText(), static_cast<size_t>(la) * 2);
    std::memcpy(target + la, text, static_cast<size_t>(lt) * 2);
    target[la + lt] = 0;
    return result;
}

bool CWString::EqualFields(const CWString& other) const { return CQelObject::EqualFields(other) && IsTextEqual(other); }

void CWString::ResetFields() {
    CQelObject::ResetFields();
    constText = nullptr;
    buffer.Reset();
}

// ---- text functions ------------------------------------------------------------------------------

int FormatTextV(wchar_t* target, const wchar_t* format, va_list args) {
    if (!target || !format) return -1;
    va_list measure;
    va_copy(measure, args);
    const int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length < 0) return -1;
    const int count = _vsnwprintf(target, static_cast<size_t>(length) + 1, format, args);
    if (count < 0) return -1;
    target[count] = 0;
    return count;
}

int FormatText(wchar_t* target, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = FormatTextV(target, format, args);
    va_end(args);
    return n;
}

int FormatTextNV(wchar_t* target, size_t capacity, const wchar_t* format, va_list args) {
    if (!target || capacity == 0) return -1;
    if (!format) {
        target[0] = 0;
        return -1;
    }
    const int count = _vsnwprintf(target, capacity, format, args);
    if (count < 0 || static_cast<size_t>(count) >= capacity) {
        target[0] = 0;
        return -1;
    }
    target[count] = 0;
    return count;
}

int FormatTextN(wchar_t* target, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = FormatTextNV(target, capacity, format, args);
    va_end(args);
    return n;
}

void FormatTextInto(CWString& target, const wchar_t* format, va_list args) { target.FormatV(format, args); }

const wchar_t* Utf8ToUtf16(const char* text, CQelMem& target) {
    const size_t length = text ? std::strlen(text) : 0;
    target.SetSize(2 * static_cast<int64_t>(length) + 2);
    const size_t written = Utf8ToUtf16Units(text, length, reinterpret_cast<uint16_t*>(target.data));
    target.SetSize(2 * static_cast<int64_t>(written) + 2);
    return reinterpret_cast<const wchar_t*>(target.data);
}
