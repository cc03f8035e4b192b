#pragma once
// Why a file operation failed, in the words of the user's language: the usual errors of the
// file system in German and English, anything rarer as the C library words it.
#include <string>
#include <system_error>

#include "support/zv_texts.hpp"

namespace zv {

// Latin-1 text for ec; empty for no error.
std::string fileErrorText(std::error_code ec, const Language& lang);

} // namespace zv
