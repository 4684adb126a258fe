# Where an installation puts the compiler library: a private folder under Debian's
# multiarch library folder whatever the prefix, so the Debian package gets
# /usr/lib/<triplet>/quillmark/ even from a build tree configured for /usr/local. The
# core's loader looks there relative to the program.
include(GNUInstallDirs)
if(CMAKE_LIBRARY_ARCHITECTURE)
    set(QM_INSTALL_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/quillmark)
else()
    set(QM_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/quillmark)
endif()
