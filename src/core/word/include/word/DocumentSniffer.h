#pragma once

#include <filesystem>
#include <string>

namespace qm {

// What a file offered for conversion is, judged from its own bytes before LibreOffice
// sees it: LibreOffice reads almost anything as plain text, and fails on a password
// without saying why. Both Word and LibreOffice go by a file's content, not its name, so
// every word-processor format passes under any extension; text (HTML, XML or plain, which
// Word also opens) only where the extension does not promise a package (.docx, .odt) or
// RTF. Never opens anything but a regular file (a FIFO would hang). Never throws.
struct DocumentCheck {
    enum class Verdict {
        Document,          // a word-processor file, or text, that LibreOffice can be given
        PasswordProtected, // an encrypted Word document
        NotADocument,      // why says what it is instead
        Missing,
        Unreadable,
    };
    Verdict verdict = Verdict::Document;
    std::string why; // NotADocument: a short UTF-8 phrase such as "这是PDF文件"
};

DocumentCheck checkDocument(const std::filesystem::path& path);

} // namespace qm
