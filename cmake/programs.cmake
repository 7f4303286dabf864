# Discovery of the generator programs.
#
# A subsystem folder holds generator sources named <program>.cpp, where the
# program name ends in _gen, and any helper modules. Each folder becomes one
# static library; each generator also becomes an executable whose main is
# made from program_main.cpp.in. A registry source that lists every
# generator is written for the tests and the instructor tool.

set_property(GLOBAL PROPERTY LAB_PROGRAMS "")
set_property(GLOBAL PROPERTY LAB_PROGRAM_LIBS "")

function(lab_add_subsystem dir)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  if(NOT sources)
    return()
  endif()
  set(lib "lab_${dir}")
  add_library(${lib} STATIC ${sources})
  target_link_libraries(${lib} PUBLIC labcore)
  target_include_directories(${lib} PUBLIC "${CMAKE_SOURCE_DIR}")
  set_property(GLOBAL APPEND PROPERTY LAB_PROGRAM_LIBS ${lib})
  foreach(src IN LISTS sources)
    get_filename_component(name "${src}" NAME_WE)
    if(name MATCHES "_gen$")
      set(LAB_PROGRAM "${name}")
      configure_file("${CMAKE_SOURCE_DIR}/cmake/program_main.cpp.in"
                     "${CMAKE_BINARY_DIR}/mains/${name}_main.cpp" @ONLY)
      add_executable(${name} "${CMAKE_BINARY_DIR}/mains/${name}_main.cpp")
      target_link_libraries(${name} PRIVATE ${lib})
      # Linked statically: without the dynamic loader's relocations a whole
      # run takes about a third of the instructions (docs/performance.md).
      if(NOT LAB_SANITIZE AND NOT LAB_FUZZ)
        target_link_options(${name} PRIVATE -static)
      endif()
      set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
      install(TARGETS ${name} RUNTIME DESTINATION bin)
      set_property(GLOBAL APPEND PROPERTY LAB_PROGRAMS ${name})
    endif()
  endforeach()
endfunction()

function(lab_write_registry)
  get_property(programs GLOBAL PROPERTY LAB_PROGRAMS)
  get_property(libs GLOBAL PROPERTY LAB_PROGRAM_LIBS)
  list(SORT programs)
  set(decls "")
  set(entries "")
  foreach(p IN LISTS programs)
    string(APPEND decls "extern const labcore::Program ${p};\n")
    string(APPEND entries "    &${p},\n")
  endforeach()
  set(LAB_REGISTRY_DECLS "${decls}")
  set(LAB_REGISTRY_ENTRIES "${entries}")
  configure_file("${CMAKE_SOURCE_DIR}/cmake/registry.cpp.in"
                 "${CMAKE_BINARY_DIR}/registry/registry.cpp" @ONLY)
  add_library(lab_registry STATIC "${CMAKE_BINARY_DIR}/registry/registry.cpp")
  target_link_libraries(lab_registry PUBLIC labcore ${libs})
endfunction()
