#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The console seam: arguments, terminals and the console's code page.
namespace qm {

// The arguments after the program's name, in UTF-8. Windows hands main() the ANSI code
// page's bytes, which lose every character outside it; the wide command line keeps them.
std::vector<std::string> utf8Arguments(int argc, char** argv);

// True when stream goes to a terminal that takes the cursor controls "\r\033[K" (on
// Windows a console, switched to take them).
bool isTerminal(std::FILE* stream);

// The programs write UTF-8. On Windows a console shows its output code page's
// characters, so while the program runs the console is switched to UTF-8 (when the
// output goes to one), and put back as it was at the end. Output to a file or a pipe
// stays UTF-8. Nothing to do elsewhere.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned previous_ = 0;
    bool switched_ = false;
};

} // namespace qm
