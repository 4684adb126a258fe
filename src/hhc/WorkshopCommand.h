#pragma once

#include "chm/Messages.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

// hhc: the command line of HTML Help Workshop's compiler, for the tools that call it by
// that name (Doxygen, Sphinx's users, build scripts). "hhc project.hhp" compiles and
// prints a summary; the exit status is 1 when the CHM was written and 0 when it was
// not, which is what those tools test.
namespace qm::hhc {

// args: the arguments after the program's name, in UTF-8. stop, when given, is polled
// at every progress line; language is that of the compiler's messages. Returns the exit
// status.
int runWorkshopCommand(const std::vector<std::string>& args, std::FILE* out,
                       const volatile std::sig_atomic_t* stop = nullptr,
                       chm::Language language = chm::Language::English);

// "35,461": how the summary writes sizes.
std::string groupThousands(unsigned long long value);

} // namespace qm::hhc
