# The protections Debian builds its packages with (lintian checks for them): a stack
# protector, fortified C library calls, and relocations bound and made read-only at
# start. Not with the sanitizers, which bring their own checks, nor on Windows.
if(NOT WIN32 AND NOT QM_SANITIZE)
    add_compile_options(-fstack-protector-strong
                        $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
