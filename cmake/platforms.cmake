# What the cross builds add: Windows with MinGW-w64 (cmake/toolchains/
# mingw-w64.cmake, run under Wine) and WebAssembly with Emscripten (run
# under Node). They build the programs and the tests of the library and the
# programs; the instructor's side stays a Linux tool.

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # Every executable carries its C++ library and runtime: a plain Windows
  # machine (or Wine) needs no DLL beyond its own system ones. Without their
  # symbol tables the programs are a third of the size.
  add_link_options(-static -s)
endif()

if(EMSCRIPTEN)
  # The dialog ends runs with exceptions; Node runs the programs on the real
  # file system and current folder (NODERAWFS); the WebAssembly module is
  # kept inside the .js file; the exit status is main's.
  add_compile_options(-fexceptions)
  add_link_options(-fexceptions -sNODERAWFS=1 -sSINGLE_FILE=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1)
endif()
