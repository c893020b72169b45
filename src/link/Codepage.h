#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnex {

// Wire text and settings files are 8-bit Windows-1250 (Central European);
// inside the tool text is wide. One table serves both directions.
std::wstring DecodeAnsi(const std::uint8_t* data, std::size_t length);
std::wstring DecodeAnsi(const std::string& bytes);
// Characters without a Windows-1250 byte become their best fit (the
// comma-below Romanian letters become the cedilla ones) or '?'.
std::string EncodeAnsi(const std::wstring& text);
// Whether EncodeAnsi keeps every character of the text, by its own byte or
// by its best fit: false when any would become '?'.
bool CanEncodeAnsi(const std::wstring& text);

// UTF-8 and UTF-16 LE, for settings files that carry a byte order mark.
// UTF-8 is read as the Windows conversion reads it: a sequence that goes
// wrong reads as one U+FFFD for its lead byte and the continuation bytes
// taken so far, each stray byte after it as one more; a sequence cut off by
// the end of the text (`atEnd`) swallows the rest. Characters past U+10FFFF
// and lone surrogates are written as U+FFFD.
std::wstring DecodeUtf8(std::string_view bytes, bool atEnd);
std::string EncodeUtf8(std::wstring_view text);
// UTF-16 LE: a pair becomes one character; a lone half stays as it is.
std::wstring DecodeUtf16Le(std::string_view bytes);
std::string EncodeUtf16Le(std::wstring_view text);

}  // namespace varnex
