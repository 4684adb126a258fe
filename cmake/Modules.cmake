# qm_module(NAME SOURCES... [PUBLIC targets...] [PRIVATE targets...])
# One module of the program as a static library quillmark_NAME. Its public headers sit in
# include/NAME/ beside its sources and are the only ones other targets see (as
# "NAME/Header.h"); its other headers are included from beside the sources that use them.
# A module reaches another's headers only by linking it, so the map of who may include
# what is the list of links below each module's sources.
function(qm_module name)
    cmake_parse_arguments(M "" "" "PUBLIC;PRIVATE" ${ARGN})
    add_library(quillmark_${name} STATIC ${M_UNPARSED_ARGUMENTS})
    target_include_directories(quillmark_${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_link_libraries(quillmark_${name} PUBLIC ${M_PUBLIC} PRIVATE ${M_PRIVATE})
    target_compile_features(quillmark_${name} PUBLIC cxx_std_20)
    qm_warnings(quillmark_${name})
endfunction()
