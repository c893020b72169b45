#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace varnex
