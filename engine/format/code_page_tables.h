// The single-byte code pages of Access 97 text: for each, the code units of its
// bytes 0x80-0xFF (generated into code_page_tables.cpp by tools/gen_code_pages.py).
#pragma once

#include <cstdint>
#include <span>

namespace jet {

struct CodePageTable {
  std::uint16_t codePage;
  const char16_t* upperHalf;  // 128 code units, for bytes 0x80-0xFF
};

std::span<const CodePageTable> codePageTables();

}  // namespace jet
