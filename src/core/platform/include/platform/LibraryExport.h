#pragma once

// How a shared library's C entry point and the callbacks it is given are declared: on
// Windows exported by the library's .def file, the callee cleaning the stack on 32-bit
// x86 (__stdcall); elsewhere the one symbol the library makes visible.
#ifdef _WIN32
#define QM_LIBRARY_EXPORT(type) __declspec(dllexport) type __stdcall
#define QM_LIBRARY_CALLBACK __stdcall
#else
#define QM_LIBRARY_EXPORT(type) __attribute__((visibility("default"))) type
#define QM_LIBRARY_CALLBACK
#endif
