# Discovery of the generator programs.
#
# A subsystem folder holds generator sources named <program>.cpp, where the
# program name ends in _gen, and any helper modules. Each folder becomes one
# static library; each generator also becomes an executable whose main is
# made from program_main.cpp.in. A registry source that lists every
# generator is written for the tests and the instructor tool.
#
# Files named <stem>_answers.cpp hold the analysis of the program
# <stem>_gen (the answer sheet of its data sets). They are not part of the
# generators' library: they form lab_<dir>_answers, which links lab_<dir>
# and lab_analysis and is never linked into a program. Each defines
#   extern const analysis::Analysis <stem>_gen_answers{...};
# and lab_write_answers_registry() lists them all behind
# analysis::find_analysis() in the library lab_answers_registry.

set_property(GLOBAL PROPERTY LAB_PROGRAMS "")
set_property(GLOBAL PROPERTY LAB_PROGRAM_LIBS "")
set_property(GLOBAL PROPERTY LAB_ANALYSES "")
set_property(GLOBAL PROPERTY LAB_ANSWER_LIBS "")

function(lab_add_subsystem dir)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  set(answers ${sources})
  list(FILTER answers INCLUDE REGEX "_answers\\.cpp$")
  list(FILTER sources EXCLUDE REGEX "_answers\\.cpp$")
  lab_add_answers(${dir} "${answers}")
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
      if(NOT LAB_SANITIZE AND NOT LAB_FUZZ AND NOT EMSCRIPTEN)
        target_link_options(${name} PRIVATE -static)
      endif()
      set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
      # The Windows zip holds the programs at the top of its folder.
      if(WIN32)
        install(TARGETS ${name} RUNTIME DESTINATION .)
      else()
        install(TARGETS ${name} RUNTIME DESTINATION bin)
      endif()
      set_property(GLOBAL APPEND PROPERTY LAB_PROGRAMS ${name})
    endif()
  endforeach()
endfunction()

# All the programs, without the tests: cmake --build ... --target lab_programs
function(lab_add_programs_target)
  get_property(programs GLOBAL PROPERTY LAB_PROGRAMS)
  add_custom_target(lab_programs DEPENDS ${programs})
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

function(lab_add_answers dir answers)
  if(NOT answers OR NOT LAB_INSTRUCTOR)
    return()
  endif()
  set(lib "lab_${dir}_answers")
  add_library(${lib} STATIC ${answers})
  target_link_libraries(${lib} PUBLIC lab_${dir} lab_analysis)
  set_property(GLOBAL APPEND PROPERTY LAB_ANSWER_LIBS ${lib})
  foreach(src IN LISTS answers)
    get_filename_component(name "${src}" NAME_WE)
    string(REGEX REPLACE "_answers$" "_gen" program "${name}")
    set_property(GLOBAL APPEND PROPERTY LAB_ANALYSES ${program})
  endforeach()
endfunction()

function(lab_write_answers_registry)
  get_property(programs GLOBAL PROPERTY LAB_PROGRAMS)
  get_property(analyses GLOBAL PROPERTY LAB_ANALYSES)
  get_property(libs GLOBAL PROPERTY LAB_ANSWER_LIBS)
  list(SORT analyses)
  set(decls "")
  set(entries "")
  foreach(p IN LISTS analyses)
    if(NOT p IN_LIST programs)
      message(FATAL_ERROR "an analysis of ${p}, but no program ${p}")
    endif()
    string(APPEND decls "extern const analysis::Analysis ${p}_answers;\n")
    string(APPEND entries "    &${p}_answers,\n")
  endforeach()
  set(LAB_ANSWERS_DECLS "${decls}")
  set(LAB_ANSWERS_ENTRIES "${entries}")
  configure_file("${CMAKE_SOURCE_DIR}/cmake/answers_registry.cpp.in"
                 "${CMAKE_BINARY_DIR}/registry/answers_registry.cpp" @ONLY)
  add_library(lab_answers_registry STATIC "${CMAKE_BINARY_DIR}/registry/answers_registry.cpp")
  target_link_libraries(lab_answers_registry PUBLIC lab_analysis lab_registry ${libs})
endfunction()
