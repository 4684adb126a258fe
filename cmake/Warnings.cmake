# Warnings on and clean for every target of ours.
function(qm_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wconversion -Wsign-conversion -Wold-style-cast -Wshadow>)
    # MinGW's GCC 12 inlines libstdc++'s string concatenation into a false -Wrestrict
    # (GCC bug 105329).
    if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(QM_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
