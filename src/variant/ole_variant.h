// The variant folder: one typed value and what it takes to read, convert and
// print it: ole_variant (this file), ole_date for the many date and time
// forms, the conversion exceptions, GUID and number scanning, exact
// printing of doubles. Values keep OLE Automation's semantics (the Var*
// conversions of platform/automation), in the en-US forms, whatever the
// process locale. It includes platform and toolkit only.
//
// This file: the typed value of one field: an owning VARIANT, with 64-bit
// integers kept beside it, a broken-down date beside every VT_DATE value, and
// binary values as one-dimensional byte arrays.
#pragma once

#include "platform/automation/oleauto.h"
#include "variant/ole_date.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The tag of binary values as this system builds them.
inline constexpr VARTYPE ole_vt_bytes = VT_ARRAY | VT_UI1;
// Binary values are never turned into text in one piece beyond this many bytes.
inline constexpr std::uint32_t ole_max_binary_bytes = 120000000;

class ole_variant {
public:
    ole_variant();
    ole_variant(const ole_variant& other);
    // Takes other's value; other is left VT_EMPTY.
    ole_variant(ole_variant&& other) noexcept;
    explicit ole_variant(const SYSTEMTIME& time);
    explicit ole_variant(const ole_date& date);
    // The whole text, zero characters included.
    explicit ole_variant(const std::wstring& text);
    // A binary value; an empty vector gives an empty binary value.
    explicit ole_variant(const std::vector<BYTE>& bytes);
    // A binary value of size bytes. A null pointer with size 0 is no value
    // (VT_EMPTY); a non-null one an empty binary value.
    ole_variant(std::uint32_t size, const BYTE* bytes);
    explicit ole_variant(double value);
    explicit ole_variant(float value);
    explicit ole_variant(std::int16_t value);
    explicit ole_variant(std::int32_t value);
    explicit ole_variant(signed char value);
    explicit ole_variant(BYTE value);
    explicit ole_variant(std::uint16_t value);
    explicit ole_variant(std::uint32_t value);
    explicit ole_variant(std::int64_t value);
    explicit ole_variant(std::uint64_t value);
    explicit ole_variant(const CY& value);
    explicit ole_variant(const DECIMAL& value);
    // UTF-8 text.
    explicit ole_variant(const std::string& text);
    // The text up to its first zero character.
    explicit ole_variant(BSTR text);
    explicit ole_variant(bool value);
    // Literals would otherwise become booleans.
    ole_variant(const char*) = delete;
    ole_variant(const wchar_t*) = delete;

    virtual ~ole_variant();

    ole_variant& operator=(const ole_variant& other);
    ole_variant& operator=(ole_variant&& other) noexcept;
    ole_variant& operator=(const std::wstring& text);
    ole_variant& operator=(const std::vector<BYTE>& bytes);
    ole_variant& operator=(BSTR text);

    // Text and numbers (ole_variant_text.cpp).
    virtual std::string to_string() const;
    virtual std::wstring to_wstring() const;
    // Appends what to_string gives; binary values and plain numbers are
    // written in place.
    void append_string(std::string& text) const;
    bool to_bool() const;
    std::int32_t to_long() const;
    std::int64_t to_i8() const;
    void to_i8(std::uint64_t& value) const;
    float to_float() const;
    double to_double() const;
    void to_decimal(DECIMAL* value) const;

    // Type change and parsing (ole_variant_change.cpp).
    static ole_variant from_string(const std::string& text, VARTYPE type);
    // Makes this value what from_string gives, in place: values read from
    // a server are typed this way, one field after another.
    void set_from_string(const std::string& text, VARTYPE type);
    static ole_variant from_wstring(const std::wstring& text, VARTYPE type);
    void change_type(VARTYPE type);

    void attach_wstring(const std::wstring& text);
    // UTF-8 text. A well-formed one is held in the bytes it came as, and
    // decoded only when its wide form is first asked for: writers in UTF-8
    // take it as it came, and a long text is not held at four bytes a
    // character. A malformed one is decoded at once.
    void attach_string(std::string_view text);
    // The UTF-8 bytes a text value was attached from, while it is held in
    // them; null for any other value.
    const std::string* attached_utf8() const;
    // Makes the value a byte array holding a copy of the bytes; an array it
    // holds already takes them in place.
    void attach_bytes(std::uint32_t size, const BYTE* bytes);
    // Makes the value a byte array of size elements; an array it holds already
    // keeps its first bytes.
    void allocate_safe_array(std::uint32_t size);
    static void convert_to_byte_array(const BYTE* bytes, std::uint32_t n, std::vector<BYTE>& result);

    VARTYPE get_type() const { return m_value.vt; }
    // The date of a VT_DATE value; all zeros for any other.
    void get_systemtime(SYSTEMTIME& time) const;
    // The broken-down date of a VT_DATE value, to print it; meaningless for any other.
    const ole_date& get_date() const { return m_date; }
    // The bytes of a binary value (pointing into the value) or of a text in the
    // ANSI code page (held in text_bytes), and their count; 0 and null for
    // VT_EMPTY and VT_NULL. Other types are an internal error.
    std::uint32_t get_bytes1(const BYTE*& bytes, std::string& text_bytes) const;
    // A piece of a long value, to stream it. Binary: the bytes from position,
    // at most length of them, written as upper-case hexadecimal digits with a
    // terminating zero (the buffer holds 2 * length + 1 characters); the
    // result is the number of bytes. Text: the bytes of its ANSI form from
    // position, at most length of them; the result is their number. So a
    // reader moves position on by each result until it is 0.
    std::uint32_t get_at(char* buffer, std::uint32_t position, std::uint32_t length) const;

    static bool is_numeric_type(VARTYPE type);
    static bool is_date_or_string_type(VARTYPE type);

protected:
    // The characters of a text value, read in place; empty for other types.
    std::wstring_view wide_text() const;
    // The number of characters of a text value, without decoding it.
    std::uint32_t text_length() const;

    std::int64_t m_i8 = 0;
    std::uint64_t m_ui8 = 0;
    ole_date m_date;
    VARIANT m_value;

private:
    // Room print_number needs.
    static constexpr std::size_t number_room = 40;
    // The text to_string gives a number of a plain type (an integer, a float,
    // a double), written at out; null for every other value.
    char* print_number(char* out) const;

    // A text held in attach_string's bytes (m_value.bstrVal null), and its
    // number of characters; the storage is reused from value to value.
    std::string m_utf8;
    bool m_holds_utf8 = false;
    std::uint32_t m_utf8_length = 0;

    static bool is_byte_array(VARTYPE type);
    static std::uint32_t get_safe_array_size(SAFEARRAY* array);
    void clear();
    // Gives a text held in UTF-8 its wide form in place of the bytes: the
    // value stays the same, only its storage changes.
    void make_wide() const;
    // A text value's ANSI form, by its length: zero characters stay.
    bool text_to_ansi(std::string& result) const;
    void copy_from(const ole_variant& other);
    void take_from(ole_variant& other) noexcept;
    void set_date(const ole_date& date);
    // Makes the value a number of the argument's type.
    void set_number(double value);
    void set_number(float value);
    void set_number(std::int16_t value);
    void set_number(std::int32_t value);
    void set_number(signed char value);
    void set_number(BYTE value);
    void set_number(std::uint16_t value);
    void set_number(std::uint32_t value);
    void set_number(std::int64_t value);
    void set_number(std::uint64_t value);
    void set_number(const DECIMAL& value);
    std::string binary_to_hex() const;
    void append_binary_hex(std::string& text) const;
    // I1, I2, I4, UI1, UI2, UI4 and BOOL (1 or 0) as one integer; false for other types.
    bool small_integer(std::int64_t& value) const;
    void change_text_to_bool();
    void change_from_64_bits(VARTYPE type);
    void change_date_to_text(VARTYPE type);
    void change_to_64_bits(VARTYPE type);
    void change_to_narrow_integer(VARTYPE type);
    void change_text_to_date();
    void change_bytes_to_text(VARTYPE type);
    void change_to_bytes();
};
