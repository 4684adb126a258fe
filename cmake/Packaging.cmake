# Manual pages, bash completions, Debian documents and the Debian package (`./dev package`
# runs cpack -G DEB in the build folder).
include(GNUInstallDirs)

set(QM_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(QM_PACKAGE_MAINTAINER "Quillmark maintainers <maintainers@quillmark.example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(QM_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quillmark)

# Manual pages come from each program's --help through help2man, so the two never
# differ; packaging/man/<program>.h2m adds the sections --help has no room for.
find_program(QM_HELP2MAN help2man)
if(NOT QM_HELP2MAN)
    message(WARNING "help2man not found: no manual pages (./dev deps installs it)")
endif()

function(qm_man_page target name)
    if(NOT QM_HELP2MAN OR NOT TARGET ${target})
        return()
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${target}.1)
    set(include ${QM_PACKAGING_DIR}/man/${target}.h2m)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${QM_HELP2MAN} --no-info --locale=C.UTF-8 --section=1 --name=${name}
                --version-string=${PROJECT_VERSION} --include=${include}
                --output=${page} $<TARGET_FILE:${target}>
        COMMAND gzip -9nf ${page}
        DEPENDS ${target} ${include}
        COMMENT "Manual page ${target}(1)"
        VERBATIM)
    add_custom_target(${target}_man ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

qm_man_page(quillmark "turn Word documents into compiled HTML Help (CHM)")
qm_man_page(quillmark-hhc "compile an HTML Help Workshop project into a CHM")
# The window leaves its command line to Qt and has no --help: its page is written by hand.
if(TARGET quillmark-gui)
    string(TIMESTAMP QM_MAN_DATE "%B %Y" UTC)
    set(page ${CMAKE_BINARY_DIR}/man/quillmark-gui.1)
    configure_file(${QM_PACKAGING_DIR}/man/quillmark-gui.1.in ${page} @ONLY)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND gzip -9nkf ${page}
        DEPENDS ${page}
        VERBATIM)
    add_custom_target(quillmark-gui_man ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
# hhc, the compiler under HTML Help Workshop's name: src/hhc installs it into bin. Its
# manual page and completion join the package once packaging/man/hhc.h2m and
# packaging/bash-completion/hhc are written for its --help.
set(QM_COMPLETIONS quillmark quillmark-hhc)
if(TARGET hhc AND EXISTS ${QM_PACKAGING_DIR}/man/hhc.h2m)
    qm_man_page(hhc "compile an HTML Help Workshop project into a CHM")
endif()
if(TARGET hhc AND EXISTS ${QM_PACKAGING_DIR}/bash-completion/hhc)
    list(APPEND QM_COMPLETIONS hhc)
endif()
foreach(program IN LISTS QM_COMPLETIONS)
    install(FILES ${QM_PACKAGING_DIR}/bash-completion/${program}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endforeach()

# Debian wants the copyright and a compressed changelog in the package's doc folder. A
# version without a Debian revision makes a native package, whose changelog is changelog.gz.
string(TIMESTAMP QM_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC) # honours SOURCE_DATE_EPOCH
configure_file(${QM_PACKAGING_DIR}/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/debian/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
    VERBATIM)
add_custom_target(quillmark_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${QM_PACKAGING_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${QM_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_CONTACT ${QM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Word documents to compiled HTML Help")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmark turns the manual of a Windows application, kept in Word, into
compiled HTML Help. It opens Word documents (.doc, .docx, .rtf, .odt) or
HTML pages that Word saved, cuts each at its headings into one page per
topic, writes the HTML Help project with its contents, index and
context-ID files, and compiles it into a CHM with its own compiler.
.
The package holds the window (quillmark-gui), the command line
(quillmark) and the CHM compiler for existing projects (quillmark-hhc).
Word documents are converted through LibreOffice Writer.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # quillmark_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QM_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libreoffice-writer-nogui)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
