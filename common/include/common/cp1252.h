#pragma once
// The system's own texts are UTF-8 in the source and Windows-1252 in every
// file it writes. Record bytes are never converted.
#include <optional>
#include <string>
#include <string_view>

namespace pmsi {

// Converts UTF-8 text to Windows-1252. Returns nothing when the text is not
// valid UTF-8 or holds a character that Windows-1252 cannot encode.
std::optional<std::string> utf8_to_cp1252(std::string_view utf8);

// Converts Windows-1252 bytes to UTF-8 (for showing file content in the GUI).
// The five bytes that Windows-1252 leaves undefined map to U+0081 etc.
std::string cp1252_to_utf8(std::string_view bytes);

}  // namespace pmsi
