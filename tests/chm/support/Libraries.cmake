# The support libraries that tests/chm and bench/chm share: the generator of
# Quillmark-style projects, and the readers of a CHM's tables and of $FIftiMain.
include_guard(GLOBAL)
set(QM_CHM_SUPPORT ${CMAKE_CURRENT_LIST_DIR})

add_library(qm_chm_fixture STATIC ${QM_CHM_SUPPORT}/ProjectFixture.cpp)
target_include_directories(qm_chm_fixture PUBLIC ${QM_CHM_SUPPORT})
target_link_libraries(qm_chm_fixture PUBLIC quillmark_text)
qm_warnings(qm_chm_fixture)

add_library(qm_chm_inspect STATIC ${QM_CHM_SUPPORT}/ChmInspect.cpp)
target_include_directories(qm_chm_inspect PUBLIC ${QM_CHM_SUPPORT})
# $FIftiMain is read with the viewer's reader.
target_link_libraries(qm_chm_inspect PUBLIC quillmark_viewer)
qm_warnings(qm_chm_inspect)
