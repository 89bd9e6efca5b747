#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vok {

// Paths as UTF-8 text and back; on Windows the native form is UTF-16.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path Utf8ToPath(std::string_view text);

bool IsValidUtf8(std::string_view text);

// `text` in double quotes, fit for a message: control characters, and every
// byte of text that is not valid UTF-8, shown as \xNN.
std::string Quoted(std::string_view text);
std::string QuotedPath(const std::filesystem::path& path);

}  // namespace vok
