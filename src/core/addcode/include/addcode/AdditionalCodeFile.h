#pragma once

#include "addcode/AdditionalCode.h"

#include <filesystem>
#include <string>
#include <string_view>

// The additional-code file (.ahtml): a small XML file holding one AdditionalCode,
//
//   <?xml version="1.0" encoding="GB2312"?>
//   <QuillmarkAddtionalCode Author="Vorlane" ProgramDate="2005-01-05"><BeforeEntry>...
//   </BeforeEntry><AfterEntry>...</AfterEntry></QuillmarkAddtionalCode>
//
// with every CR of a code text stored as "#13" and every LF as "#10". The bytes are
// GBK although the declaration says GB2312, as Windows writes them. The format cannot
// keep the literal texts "#13" and "#10": they come back as CR and LF.
namespace qm {

// The whole file for code (GBK bytes, CR LF after the declaration and the root).
// Throws qm::Error when a code text holds something an XML file cannot store: bytes
// that are not GBK, or a control character other than TAB, CR and LF.
std::string formatAdditionalCode(const AdditionalCode& code);

// Reads the bytes of a file. A blank input (nothing but spaces and control characters)
// gives two empty fields. Otherwise the children of the root element are visited in
// order: one named exactly BeforeEntry or AfterEntry (letter case counts) sets its field
// from its unescaped text, the last one winning; everything else is skipped, and the
// root's own name and attributes are not looked at. A field without an element stays
// empty.
//
// Throws qm::Error, and gives no result at all, when the file is not well-formed, holds
// a document type declaration (see xml::parseUntrusted for the message), or has a code
// element with anything but plain text in it ("Element does not contain a single text
// node"). So a failed load never applies half a file.
LoadedAdditionalCode parseAdditionalCode(std::string_view fileBytes);

// Writes the file whole or not at all: an earlier file at path stays untouched when
// anything fails. Throws qm::Error "Cannot create file <path>" (or "Cannot write
// file <path>") when the file system refuses.
void saveAdditionalCodeFile(const std::filesystem::path& path, const AdditionalCode& code);

// Reads the file at path (see parseAdditionalCode). Throws qm::Error "Cannot open file
// <path>" when it is missing, unreadable or a folder; a file that cannot be parsed is
// refused with a sentence naming the file and the line, then the parser's message.
LoadedAdditionalCode loadAdditionalCodeFile(const std::filesystem::path& path);

} // namespace qm
