# Warnings on and clean for every target of ours.
function(qm_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wconversion -Wsign-conversion -Wold-style-cast -Wshadow>)
    if(QM_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
